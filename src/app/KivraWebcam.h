#pragma once

#include "BrowserSetup.h"
#include "MainWindowLayout.h"

#include <QWidget>

class BrowserLauncher;
class CaptureDevice;
class DriverList;
class IntervalTimer;
class MessageBoxes;
class MountLink;
class PresetRecordSet;
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
    // The browser window the logo opens; none without a component maker.
    BrowserSetup browser = {};
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
    void ShowStatus(const QString& text);

    const MainWindowLayout& controls() const { return ui; }
    MountLink& mountLink() { return *m_mount; }
    PresetRecordSet& presets() { return *datPivora; }
    bool remoteControl() const { return m_remoteControl; }
    bool settingsLoaded() const { return m_settingsLoaded; }

signals:
    // Tell observers (and tests) when the deferred settings load ran.
    void settingsApplied();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void connectControls();
    void connectBrowser();
    void onAccelerationChanged(int value);
    void onTimer3();
    void LoadSettings();
    void SaveSettings();
    void Unload();
    void ShowDriverDialog();

    StationComponents m_components;
    MainWindowLayout ui;

    IntervalTimer* Timer1;
    IntervalTimer* Timer2;
    IntervalTimer* Timer3;
    IntervalTimer* tmrSnapPic;

    MountLink* m_mount;
    PresetRecordSet* datPivora;
    DriverList* m_driverList;
    BrowserLauncher* m_browser;

    bool m_remoteControl = false;
    bool m_settingsLoaded = false;
    bool m_unloaded = false;
};
