// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FakeCaptureDevice.h"
#include "FakeClock.h"
#include "FakeFileTransfer.h"
#include "FakeImageCodec.h"
#include "FakeMessageBoxes.h"
#include "FakeSerialPort.h"
#include "KivraWebcam.h"
#include "MemorySettingsStore.h"

#include <QString>

#include <memory>

class IntervalTimer;
class QAbstractItemModel;

// The whole station as a test builds it: the main window over doubles of
// every outside component, any of which a test may swap for a real part of
// its own. The window is made on first use, so a test can fill the settings
// or choose parts before the station reads them.
class StationRig final
{
public:
    // The parts a test brings itself; each one left null is the rig's double.
    // What a test brings must outlive the rig.
    struct Parts
    {
        SettingsStore* settings = nullptr;
        SerialPort* serial = nullptr;
        CaptureDevice* capture = nullptr;
        ImageCodec* codec = nullptr;
        FileTransfer* transfer = nullptr;
        QString programFolder = QStringLiteral("/opt/cam");
        RemoteSocketSource remoteSockets = {};
        BrowserSetup browser = {};
    };

    StationRig();
    explicit StationRig(Parts parts);
    ~StationRig();
    StationRig(const StationRig&) = delete;
    StationRig& operator=(const StationRig&) = delete;

    MemorySettingsStore settings;
    FakeSerialPort serial;
    FakeCaptureDevice capture{QStringList{}};
    FakeMessageBoxes messages;
    FakeImageCodec codec;
    FakeFileTransfer transfer;
    // The time of day the station sees (noon UTC on 21 June 2026 unless set).
    FakeClock clock;

    KivraWebcam& window();
    // Start-up with the stored settings still waiting for their deferred
    // restore, as the first 1.5 s of a real start.
    void load();
    // Start-up with the stored settings applied at once: the restore the
    // real station waits 1.5 s for is fired here.
    void start();
    void restoreNow();

    const MainWindowLayout& ui() { return window().controls(); }
    QString status();
    IntervalTimer* timer(const char* objectName);
    // One tick of the pointing timer, without waiting for it.
    void tick();

private:
    Parts m_parts;
    std::unique_ptr<KivraWebcam> m_window;
};
