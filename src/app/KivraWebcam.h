// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BrowserSetup.h"
#include "FrameDresser.h"
#include "MainWindowLayout.h"
#include "RemoteControl.h"
#include "UploadSettings.h"
#include "mdlKivrawebcam.h"

#include <QWidget>

#include <functional>
#include <memory>

class BrowserLauncher;
class CaptureDevice;
class Clock;
class DailyTimelapse;
class DaylightSchedule;
class FrameArchive;
class TimelapseMaker;
class DriverList;
class FileTransfer;
class FramePublisher;
class ImageCodec;
class IntervalTimer;
class MessageBoxes;
class MountLink;
class PointingPanel;
class PointingScheduler;
class PresetGridBinding;
class PresetRecordSet;
class PresetStorage;
class TouchPadControl;
class StationRemote;
class WebStationRemote;
class WebRemoteService;
class QLoggingCategory;
class SerialPort;
class SettingsStore;

// The outside components the main window works with, chosen in main().
struct StationComponents
{
    SettingsStore& settings;
    SerialPort& serialPort;
    CaptureDevice& capture;
    MessageBoxes& messages;
    // The folder that holds the program (and the preset database).
    QString programFolder;
    // Publishing frames: the image library and the FTP transfer.
    ImageCodec& imageCodec;
    FileTransfer& transfer;
    // The file that keeps the presets, made once for the preset table.
    std::function<std::unique_ptr<PresetStorage>()> presetStorage;
    // Socket objects for remote control; without them the link cannot go on.
    RemoteSocketSource remoteSockets = {};
    // The browser window the logo opens; none without a component maker.
    BrowserSetup browser = {};
    // The time of day for the schedule, the archive and the daily video;
    // the computer's clock when none is given.
    const Clock* clock = nullptr;
};

// The main window: it builds its controls, connects them to the parts that
// hold the logic, runs start-up and shut-down, and owns the status line.
class KivraWebcam final : public QWidget
{
    Q_OBJECT
public:
    explicit KivraWebcam(const StationComponents& components, QWidget* parent = nullptr);
    ~KivraWebcam() override;

    // Start-up: shows the window and brings the parts up, step by step.
    void Load();
    // Ends the station the way closing the window does, whoever asks (a stop
    // signal, the session's logout): the open grid edit is written, the
    // settings saved and the port closed. Running it again does nothing.
    void End();
    bool hasEnded() const { return m_unloaded; }
    // A text of the window itself (logged under "kivra.app").
    void ShowStatus(const QString& text);

    const MainWindowLayout& controls() const { return ui; }
    MountLink& mountLink() { return *m_mount; }
    PresetRecordSet& presets() { return *m_presets; }
    bool remoteControl() const { return m_remoteControl->isOn(); }
    const RemoteControl& remoteLink() const { return *m_remoteControl; }
    bool settingsLoaded() const { return m_settingsLoaded; }
    UploadSettings& uploadSettings() { return m_settingsModule.uploadSettings(); }
    FramePublisher& publisher() { return *m_publisher; }
    // The station as the web remote drives it.
    StationRemote& stationRemote();
    WebRemoteService& webRemote() { return *m_webService; }
    DaylightSchedule& daylight() { return *m_daylight; }
    FrameArchive& archive() { return *m_archive; }
    TimelapseMaker& timelapseMaker() { return *m_timelapseMaker; }

signals:
    // Tell observers (and tests) when the deferred settings load ran.
    void settingsApplied();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Shows the text and logs it under the category of the part it is from.
    void report(const QLoggingCategory& category, const QString& text);
    template <typename Source>
    void connectStatus(Source* source, void (Source::*status)(const QString&),
                       const QLoggingCategory& (*category)());
    void connectControls();
    void connectRemote();
    void connectPointing();
    void connectBrowser();
    void onAccelerationChanged(int value);
    void onSettingsLoadTimer();
    void LoadSettings();
    void chooseStoredMode(const StationSettings& stored);
    void SaveSettings();
    void Unload();
    void ShowDriverDialog();
    void openNetworkCameras();
    void connectPublishing();
    void openFtpSettings();
    void connectFrameDressing();
    void openFrameSettings();
    void openWebRemote();
    void connectSchedule();
    void applySchedule();
    void openSchedule();
    QImage previewFrame() const;

    StationComponents m_components;
    MainWindowLayout ui;
    mdlKivrawebcam m_settingsModule;

    IntervalTimer* m_pointingTimer;
    IntervalTimer* m_autoUpdateTimer;
    IntervalTimer* m_settingsLoadTimer;
    IntervalTimer* m_snapTimer;

    MountLink* m_mount;
    PresetRecordSet* m_presets;
    DriverList* m_driverList;
    FramePublisher* m_publisher = nullptr;

    RemoteControl* m_remoteControl = nullptr;
    std::unique_ptr<PointingPanel> m_pointingPanel;
    PointingScheduler* m_scheduler = nullptr;
    TouchPadControl* m_touchPadControl = nullptr;
    PresetGridBinding* m_presetGrid = nullptr;
    BrowserLauncher* m_browser;
    std::unique_ptr<FrameDresser> m_frameDresser;
    WebStationRemote* m_webRemote = nullptr;
    WebRemoteService* m_webService = nullptr;
    std::unique_ptr<Clock> m_ownClock;
    const Clock* m_clock = nullptr;
    DaylightSchedule* m_daylight = nullptr;
    FrameArchive* m_archive = nullptr;
    TimelapseMaker* m_timelapseMaker = nullptr;
    DailyTimelapse* m_dailyTimelapse = nullptr;

    bool m_settingsLoaded = false;
    bool m_unloaded = false;
};
