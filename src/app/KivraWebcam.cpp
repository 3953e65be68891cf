// SPDX-License-Identifier: GPL-3.0-or-later
#include "KivraWebcam.h"

#include "BrowserLauncher.h"
#include "CaptureDevice.h"
#include "ClickableLabel.h"
#include "Clock.h"
#include "DailyTimelapse.h"
#include "DaylightSchedule.h"
#include "DriverList.h"
#include "Durations.h"
#include "FileTransfer.h"
#include "FrameArchive.h"
#include "FramePublisher.h"
#include "FrameSettings.h"
#include "IntervalTimer.h"
#include "LivePicture.h"
#include "LogCategories.h"
#include "MountLink.h"
#include "NetworkCamerasDialog.h"
#include "OptionChoice.h"
#include "PointingPanel.h"
#include "PointingScheduler.h"
#include "PresetActions.h"
#include "PresetGridBinding.h"
#include "PresetRecordSet.h"
#include "RecordNavigator.h"
#include "SettingsStore.h"
#include "StationPaths.h"
#include "StationSettings.h"
#include "Texts.h"
#include "TimelapseMaker.h"
#include "TouchPad.h"
#include "TouchPadControl.h"
#include "Twips.h"
#include "VideoSettingsDialog.h"
#include "WebRemoteService.h"
#include "WebSessions.h"
#include "WebSettings.h"
#include "WebStationRemote.h"
#include "dlgFTP.h"
#include "dlgFrame.h"
#include "dlgMount.h"
#include "dlgSchedule.h"
#include "dlgWebRemote.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QVideoFrame>
#include <QVideoSink>

namespace {

IntervalTimer* makeTimer(QObject* owner, const char* name, bool enabled, int interval)
{
    auto* timer = new IntervalTimer(enabled, interval, owner);
    timer->setObjectName(QLatin1String(name));
    return timer;
}

} // namespace

KivraWebcam::KivraWebcam(const StationComponents& components, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint)
    , m_components(components)
    , ui(this)
    , m_settingsModule(components.settings)
    , m_pointingTimer(makeTimer(this, "Timer1", false, 1500))
    , m_autoUpdateTimer(makeTimer(this, "Timer2", false, 0))
    , m_settingsLoadTimer(makeTimer(this, "Timer3", true, 0))
    , m_snapTimer(makeTimer(this, "tmrSnapPic", true, 0))
    , m_mount(new MountLink(components.serialPort, components.settings, this))
    , m_presets(new PresetRecordSet(components.presetStorage(), this))
    , m_driverList(
          new DriverList(*ui.cbDriver, components.capture, components.messages, this, this))
    , m_browser(new BrowserLauncher(components.browser, this))
{
    setObjectName(QStringLiteral("KivraWebcam"));
    m_presets->setObjectName(QStringLiteral("datPivora"));
    setWindowTitle(texts::mainCaption);
    setWindowIcon(QIcon(QStringLiteral(":/images/kivrawebcam.png")));
    setFixedSize(twips(9960), twips(7125));

    components.capture.setPreviewSink(ui.ezVidCap1->videoSink());
    components.capture.setPreviewSize(ui.ezVidCap1->size());
    connectControls();
    connectRemote();
    connectPointing();
    connectPublishing();
    connectFrameDressing();
    connectBrowser();
    connectSchedule();
    m_webRemote =
        new WebStationRemote({ui, *m_touchPadControl, *m_pointingPanel, *m_mount, *m_presets,
                              *m_publisher, [this] { return previewFrame(); }},
                             this);
    m_webService =
        new WebRemoteService(components.settings, *m_webRemote, StationPaths::dataFolder(), this);
    connectStatus(m_webService, &WebRemoteService::status, kivraRemote);
}

StationRemote& KivraWebcam::stationRemote()
{
    return *m_webRemote;
}

KivraWebcam::~KivraWebcam()
{
    // Its threads go before the parts their queued calls would reach.
    m_webService->stop();
    m_components.capture.setPreviewSink(nullptr);
}

void KivraWebcam::connectControls()
{
    connectStatus(m_mount, &MountLink::status, kivraMount);
    connectStatus(m_driverList, &DriverList::status, kivraCapture);

    for (int n = 1; n <= MountLink::portCount; ++n) {
        QRadioButton* option = ui.portOption(n);
        option->setToolTip(m_mount->deviceFor(n));
        whenChosen(
            option, this, [this, n] { m_mount->SelectPort(n); }, /*reselect=*/true);
    }
    connect(ui.hsAccel, &QScrollBar::valueChanged, this, &KivraWebcam::onAccelerationChanged);

    connect(m_settingsLoadTimer, &IntervalTimer::timeout, this, &KivraWebcam::onSettingsLoadTimer);
    connect(ui.cmdVidSettings, &QPushButton::clicked, this, &KivraWebcam::ShowDriverDialog);
}

// The toggle stays hidden: nothing in the window shows it, so the link is
// off unless something clicks the button.
void KivraWebcam::connectRemote()
{
    m_remoteControl =
        new RemoteControl(m_components.remoteSockets, m_components.programFolder, this);
    m_remoteControl->setObjectName(QStringLiteral("remoteControl"));
    connectStatus(m_remoteControl, &RemoteControl::status, kivraRemote);
    connect(m_remoteControl, &RemoteControl::captionChanged, ui.cmdEnableRemote,
            &QPushButton::setText);
    connect(ui.cmdEnableRemote, &QPushButton::clicked, m_remoteControl, &RemoteControl::Toggle);
}

void KivraWebcam::connectPointing()
{
    connectStatus(m_presets, &PresetRecordSet::status, kivraPresets);
    // The scheduler reports only presets it passes over.
    m_pointingPanel = std::make_unique<PointingPanel>(
        ui, [this](const QString& text) { report(kivraPresets(), text); });
    m_scheduler = new PointingScheduler(*m_pointingPanel, *m_mount, *m_presets, *m_pointingTimer,
                                        *m_snapTimer, this);
    m_touchPadControl = new TouchPadControl(*m_pointingPanel, *m_mount, *m_presets, this);

    connect(ui.Picture1, &TouchPad::MouseMove, m_touchPadControl, &TouchPadControl::MouseMove);
    connect(ui.Picture1, &TouchPad::Click, m_touchPadControl, &TouchPadControl::Click);
    whenChosen(ui.optManual, this, [this] { m_scheduler->chooseManual(); });
    whenChosen(ui.optRandom, this, [this] { m_scheduler->chooseRandom(); });
    whenChosen(ui.optsequence, this, [this] { m_scheduler->chooseSequence(); });
    whenChosen(ui.optTrain, this, [this] { m_scheduler->chooseTraining(); });
    connect(ui.cmdDelete, &QPushButton::clicked, this,
            [this] { presetactions::deleteClicked(*m_presets); });

    m_presetGrid = new PresetGridBinding(*ui.DBGrid1, *m_presets, this);
    connectStatus(m_presetGrid, &PresetGridBinding::status, kivraPresets);
    ui.datPivoraNavigator->setRecordSet(m_presets);
}

void KivraWebcam::connectPublishing()
{
    m_frameDresser = std::make_unique<FrameDresser>(m_components.settings);
    m_publisher =
        new FramePublisher(m_components.capture, m_components.imageCodec, m_components.transfer,
                           m_settingsModule.uploadSettings(), m_components.settings,
                           *m_autoUpdateTimer, *m_frameDresser, *m_scheduler, this);
    connectStatus(m_publisher, &FramePublisher::status, kivraPublish);
    connect(m_publisher, &FramePublisher::sendFrameEnabled, ui.cmdCaptureFrame,
            &QWidget::setEnabled);
    connect(ui.cmdCaptureFrame, &QPushButton::clicked, m_publisher, &FramePublisher::SendFrame);
    connect(m_snapTimer, &IntervalTimer::timeout, this, [this] {
        m_snapTimer->setEnabled(false);
        // A snapshot of the tour is an automatic upload too.
        if (!m_daylight->uploadsHeld())
            m_publisher->SendFrame();
    });
    connect(ui.cmdFTPSettings, &QPushButton::clicked, this, &KivraWebcam::openFtpSettings);
}

void KivraWebcam::openFtpSettings()
{
    // Before the deferred load the upload settings are still the defaults;
    // a dialog showing them would store blanks over the saved server and
    // login. The operator asked for the settings, so they are loaded now.
    if (!m_settingsLoaded)
        onSettingsLoadTimer();
    dlgFTP dialog(m_settingsModule.uploadSettings(), m_components.messages, this);
    if (dialog.exec() == QDialog::Accepted)
        m_publisher->ApplyFtpSettings(dialog.settings());
}

// The dressing of published frames is set from the live picture's menu, so
// the window keeps its layout.
void KivraWebcam::connectFrameDressing()
{
    ui.ezVidCap1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ui.ezVidCap1, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(this);
        menu.setObjectName(QStringLiteral("videoMenu"));
        const QAction* frameSettings = menu.addAction(texts::frameSettingsMenu);
        const QAction* mountSettings = menu.addAction(texts::mountSettingsMenu);
        const QAction* webRemote = menu.addAction(QStringLiteral("Web Remote..."));
        const QAction* schedule = menu.addAction(QStringLiteral("Schedule..."));
        // The dialog opens once the menu is gone.
        const QAction* chosen = menu.exec(ui.ezVidCap1->mapToGlobal(at));
        if (chosen == frameSettings)
            openFrameSettings();
        if (chosen == webRemote)
            openWebRemote();
        if (chosen == schedule)
            openSchedule();
        QString unsaved;
        if (chosen == mountSettings && dlgMount::edit(m_components.settings, this, &unsaved))
            m_mount->applySettings();
        if (!unsaved.isEmpty())
            ShowStatus(texts::settingsNotSavedPrefix + unsaved);
    });
}

void KivraWebcam::openFrameSettings()
{
    dlgFrame dialog(readFrameDressing(m_components.settings), previewFrame(),
                    m_scheduler->visitedPreset(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    storeFrameDressing(dialog.settings(), m_components.settings);
    QString reason;
    if (!m_components.settings.flush(&reason))
        ShowStatus(texts::settingsNotSavedPrefix + reason);
}

void KivraWebcam::openWebRemote()
{
    dlgWebRemote dialog(readWebSettings(m_components.settings),
                        {m_webService->addresses(), m_webService->fingerprint(),
                         m_webService->sessions().current()},
                        this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    storeWebSettings(dialog.settings(), m_components.settings);
    QString reason;
    if (!m_components.settings.flush(&reason))
        ShowStatus(texts::settingsNotSavedPrefix + reason);
    m_webService->apply();
}

QImage KivraWebcam::previewFrame() const
{
    // The live picture may be a scaled-down one; the capture's own frame is
    // whole.
    QImage frame = m_components.capture.newestFrame().toImage();
    if (frame.isNull())
        frame = ui.ezVidCap1->videoSink()->videoFrame().toImage();
    if (frame.isNull()) {
        // No picture yet: a plain frame of the usual size still shows the
        // band and the turn.
        frame = QImage(640, 480, QImage::Format_RGB888);
        frame.fill(Qt::darkGray);
    }
    return frame;
}

void KivraWebcam::connectBrowser()
{
    connect(ui.Picture2, &ClickableLabel::clicked, m_browser, &BrowserLauncher::open);
    connectStatus(m_browser, &BrowserLauncher::status, kivraBrowser);
}

void KivraWebcam::Load()
{
    // Each step stands on its own: one that cannot be done is passed over
    // and start-up goes on with the next.
    show();
    repaint();

    m_components.capture.setNetworkCameras(networkcameras::read(m_components.settings));
    m_driverList->FillDriverList();

    m_presets->setDatabaseName(m_components.programFolder + QDir::separator() +
                               texts::presetDatabaseFile);

    ui.Picture1->setEnabled(false);
    m_remoteControl->reset();

    m_settingsLoadTimer->setInterval(durations::settingsLoadDelay);
    m_settingsLoadTimer->setEnabled(true);

    // Loading is done: the table opens now, before the settings restore
    // may choose sequenced pointing.
    m_presets->open();
    qCInfo(kivraPresets, "preset file %s", qPrintable(m_presets->databaseName()));
    m_publisher->setFrameFolder(StationPaths::frameFolder(m_presets->databaseName()));
}

void KivraWebcam::ShowStatus(const QString& text)
{
    report(kivraApp(), text);
}

void KivraWebcam::report(const QLoggingCategory& category, const QString& text)
{
    ui.lblStatus->setText(text);
    // The log outlives the label. Every part builds its texts from pieces
    // that never hold the FTP password (the transfer names the server
    // without it), so the text goes there as shown: masking afterwards
    // would garble texts that happen to contain it, and tell what it is.
    qCInfo(category, "%s", qPrintable(text));
}

template <typename Source>
void KivraWebcam::connectStatus(Source* source, void (Source::*status)(const QString&),
                                const QLoggingCategory& (*category)())
{
    connect(source, status, this,
            [this, category](const QString& text) { report(category(), text); });
}

void KivraWebcam::onAccelerationChanged(int value)
{
    if (value == 1)
        ui.lblAccel->setText(texts::accelFaster);
    else if (value == 2)
        ui.lblAccel->setText(texts::accelNormal);
    else if (value == 3)
        ui.lblAccel->setText(texts::accelSlower);
    m_mount->SendAcceleration(qint16(ui.hsAccel->value()));
}

void KivraWebcam::onSettingsLoadTimer()
{
    m_settingsLoadTimer->setEnabled(false);
    LoadSettings();
}

void KivraWebcam::LoadSettings()
{
    const StationSettings stored = m_settingsModule.readStation();

    // Choosing a control from code runs its own handler, so the port opens
    // and the mode switches run just as if the operator had chosen them.
    for (int n = 1; n <= MountLink::portCount; ++n) {
        if (stored.com[size_t(n - 1)])
            ui.portOption(n)->setChecked(true);
    }
    ui.hsAccel->setValue(stored.accel);
    chooseStoredMode(stored);

    // The stored states of these four win over what the mode switch set.
    ui.Picture1->setEnabled(stored.picture);
    m_pointingTimer->setInterval(stored.interval);
    m_pointingTimer->setEnabled(stored.timer1);
    ui.cmdDelete->setEnabled(stored.deleteEnabled);
    // Choosing an option that is already chosen runs nothing, so this
    // second pass keeps the states just restored.
    chooseStoredMode(stored);

    // Restoring "FileAuto" starts no uploads: only the FTP dialog's OK does.
    m_settingsModule.LoadUploadSettings();
    m_publisher->applyCredentials();
    ui.cmdCaptureFrame->setEnabled(stored.captureFrame);

    // A settings file this run leaves alone: said once, where the operator
    // looks, rather than at every save that does not happen.
    if (const QString refusal = m_components.settings.refusal(); !refusal.isEmpty())
        ShowStatus(texts::settingsNotSavedPrefix + refusal);
    // Off unless the operator turned it on and set an admin password.
    m_webService->apply();
    applySchedule();
    // Said at every start until the owner makes the file private (a save
    // does it too), and last, so that it stays on the status line.
    if (const QString exposure = m_components.settings.exposure(); !exposure.isEmpty()) {
        ui.lblStatus->setText(exposure);
        qCWarning(kivraApp, "%s", qPrintable(exposure));
    }

    m_settingsLoaded = true;
    emit settingsApplied();
}

void KivraWebcam::chooseStoredMode(const StationSettings& stored)
{
    if (stored.manual)
        ui.optManual->setChecked(true);
    if (stored.random)
        ui.optRandom->setChecked(true);
    if (stored.sequence)
        ui.optsequence->setChecked(true);
    if (stored.train)
        ui.optTrain->setChecked(true);
}

void KivraWebcam::SaveSettings()
{
    // Until the stored settings were applied, the controls hold only the
    // start state; writing that would overwrite what the operator saved.
    if (!m_settingsLoaded)
        return;

    StationSettings state;
    for (int n = 1; n <= MountLink::portCount; ++n)
        state.com[size_t(n - 1)] = ui.portOption(n)->isChecked();
    state.accel = qint16(ui.hsAccel->value());
    state.manual = ui.optManual->isChecked();
    state.random = ui.optRandom->isChecked();
    state.sequence = ui.optsequence->isChecked();
    state.train = ui.optTrain->isChecked();
    state.picture = ui.Picture1->isEnabled();
    state.interval = m_pointingTimer->interval();
    state.timer1 = m_pointingTimer->isEnabled();
    state.deleteEnabled = ui.cmdDelete->isEnabled();
    // A transfer in flight holds the button disabled only until it ends;
    // what it then becomes is what the next start should show.
    state.captureFrame = m_components.transfer.IsBusy() ? uploadSettings().FTPEnable != 0
                                                        : ui.cmdCaptureFrame->isEnabled();
    QString reason;
    if (!m_settingsModule.writeStation(state, &reason))
        ShowStatus(texts::settingsNotSavedPrefix + reason);
}

void KivraWebcam::Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    SaveSettings();
    m_webService->stop();
    m_mount->ClosePort();
}

void KivraWebcam::closeEvent(QCloseEvent* event)
{
    Unload();
    event->accept();
}

void KivraWebcam::End()
{
    // Through the close event, so that an open grid edit goes along just as
    // when the operator closes the window.
    if (!m_unloaded)
        close();
    Unload();
}

void KivraWebcam::ShowDriverDialog()
{
    VideoSettingsDialog dialog(m_components.capture, this);
    connect(&dialog, &VideoSettingsDialog::networkCamerasRequested, this,
            &KivraWebcam::openNetworkCameras);
    dialog.exec();
}

void KivraWebcam::openNetworkCameras()
{
    NetworkCamerasDialog dialog(networkcameras::read(m_components.settings), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    networkcameras::store(dialog.cameras(), m_components.settings);
    QString reason;
    if (!m_components.settings.flush(&reason))
        ShowStatus(texts::settingsNotSavedPrefix + reason);
    const bool running = m_components.capture.setNetworkCameras(dialog.cameras());
    m_driverList->RefreshDriverList(running);
}

void KivraWebcam::connectSchedule()
{
    if (!m_components.clock)
        m_ownClock = std::make_unique<SystemClock>();
    m_clock = m_components.clock ? m_components.clock : m_ownClock.get();
    IntervalTimer* daylightCheck = makeTimer(this, "tmrDaylight", false, 0);
    m_daylight = new DaylightSchedule(*m_clock, *daylightCheck,
                                      *makeTimer(this, "tmrNight", false, 0), this);
    m_archive = new FrameArchive(this);
    m_timelapseMaker = new TimelapseMaker(this);
    m_dailyTimelapse = new DailyTimelapse(
        *m_archive, *m_timelapseMaker, m_components.transfer,
        [this] { return uploadSettings().FilePath; }, this);
    connectStatus(m_daylight, &DaylightSchedule::status, kivraSchedule);
    connectStatus(m_archive, &FrameArchive::status, kivraSchedule);
    connectStatus(m_dailyTimelapse, &DailyTimelapse::status, kivraSchedule);
    connect(m_daylight, &DaylightSchedule::holdsChanged, this, [this] {
        m_publisher->setAutomaticHeld(m_daylight->uploadsHeld());
        m_scheduler->setHeld(m_daylight->tourHeld());
    });
    // The night slows the operator's automatic uploads; it starts none of
    // its own where the operator has none.
    connect(m_daylight, &DaylightSchedule::slowSendDue, this, [this] {
        if (m_autoUpdateTimer->isTicking())
            m_publisher->sendAutomatic();
    });
    connect(m_daylight, &DaylightSchedule::dayEnded, m_dailyTimelapse, &DailyTimelapse::dayEnded);
    connect(m_publisher, &FramePublisher::published, this,
            [this](const QByteArray& jpeg) { m_archive->keep(jpeg, m_clock->now()); });
}

void KivraWebcam::applySchedule()
{
    const SettingsStore& store = m_components.settings;
    m_archive->apply(readArchiveSettings(store, StationPaths::dataFolder()));
    m_dailyTimelapse->apply(readTimelapseSettings(store));
    m_daylight->apply(readScheduleSettings(store));
}

void KivraWebcam::openSchedule()
{
    const SettingsStore& store = m_components.settings;
    const dlgSchedule::Choices current{readScheduleSettings(store),
                                       readArchiveSettings(store, StationPaths::dataFolder()),
                                       readTimelapseSettings(store)};
    dlgSchedule dialog(
        current, m_daylight->nextChangeText(), m_archive->listDays(current.archive.folder),
        [this](QDate day) { m_dailyTimelapse->makeNow(day); }, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const dlgSchedule::Choices chosen = dialog.choices();
    storeScheduleSettings(chosen.schedule, m_components.settings);
    storeArchiveSettings(chosen.archive, m_components.settings);
    storeTimelapseSettings(chosen.timelapse, m_components.settings);
    QString reason;
    if (!m_components.settings.flush(&reason))
        ShowStatus(texts::settingsNotSavedPrefix + reason);
    applySchedule();
}
