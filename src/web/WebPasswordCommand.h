// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <cstdio>
#include <optional>

class SettingsStore;

// `kivrawebcam --web-password admin|guest`: a station prepared over SSH.
// The password is read from standard input (one line, not echoed on a
// terminal), only its hash is stored in [Web], and the program ends.
class WebPasswordCommand final
{
public:
    static constexpr const char* option = "web-password";
    static constexpr qsizetype shortest = 8;
    static constexpr qsizetype longest = 1024;

    // The user named after --web-password (or --web-password=), if the
    // command line asks for it; an empty text when it names none.
    static std::optional<QString> requested(int argc, char* argv[]);
    // Exit status: 0 stored, 1 not stored, 2 a wrong user or password.
    static int run(const QString& user, std::FILE* input, SettingsStore& store);
};
