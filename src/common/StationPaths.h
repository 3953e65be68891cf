// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Where the station keeps its files, answered in one place. Folders follow
// the XDG rules through QStandardPaths, so tests and packaged installs can
// move them with the usual environment variables.
class StationPaths final
{
public:
    StationPaths() = delete;

    // $XDG_CONFIG_HOME/KivraWebcam/KivraWebcam.conf
    static QString settingsFile();
    // $XDG_DATA_HOME/KivraWebcam: the upload record, SFTP's known hosts, and
    // the preset file when the program's folder cannot hold it. Not created.
    static QString dataFolder();
    // The preset file wanted (usually beside the program): used as it is when
    // it exists or its folder can take a new file, else the file of the same
    // name in the data folder, whose folder is then created. An empty wanted
    // path means "Pivora.mdb" in the data folder.
    static QString presetFile(const QString& wanted);
    // The folder of "Picture.bmp" and "Picture.jpg": the preset file's when
    // it can take new files, else the data folder, which is then created.
    static QString frameFolder(const QString& presetFile);
};
