// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CaptureDevice.h"

#include <QDialog>

class QComboBox;
class QLabel;

// Settings of the connected capture driver: its resolutions and frame rates,
// applied as soon as one is picked.
class VideoSettingsDialog final : public QDialog
{
    Q_OBJECT
public:
    VideoSettingsDialog(CaptureDevice& capture, QWidget* parent = nullptr);

    static QString describe(const CaptureFormat& format);

signals:
    // "Network Cameras..." was clicked.
    void networkCamerasRequested();

private:
    void apply(int row);

    CaptureDevice& m_capture;
    QList<CaptureFormat> m_formats;
    QComboBox* m_formatList = nullptr;
    QLabel* m_note = nullptr;
};
