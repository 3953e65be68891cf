#include "KivraWebcam.h"

#include "BrowserLauncher.h"
#include "CaptureDevice.h"
#include "ClickableLabel.h"
#include "DriverList.h"
#include "Durations.h"
#include "FileTransfer.h"
#include "FramePublisher.h"
#include "FrameSettings.h"
#include "IntervalTimer.h"
#include "LogCategories.h"
#include "MountLink.h"
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
#include <QVideoWidget>

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
    , Timer1(makeTimer(this, "Timer1", false, 1500))
    , Timer2(makeTimer(this, "Timer2", false, 0))
    , Timer3(makeTimer(this, "Timer3", true, 0))
    , tmrSnapPic(makeTimer(this, "tmrSnapPic", true, 0))
    , m_mount(new MountLink(components.serialPort, components.settings, this))
    , datPivora(new PresetRecordSet(components.presetStorage(), this))
    , m_driverList(
          new DriverList(*ui.cbDriver, components.capture, components.messages, this, this))
    , m_publisher(new FramePublisher(
          components.capture, components.imageCodec, components.transfer,
          m_settingsModule.uploadSettings(), components.settings, *Timer2,
          {[this] { return StationPaths::frameFolder(datPivora->databaseName()); },
           [this] { return ui.optsequence->isChecked(); },
           [this] { return datPivora->field(texts::presetFileNameField); },
           [this](PixelBuffer frame, const QDateTime& snappedAt) {
               return (*m_frameDresser)(std::move(frame), snappedAt);
           }},
          this))
    , m_browser(new BrowserLauncher(components.browser, this))
{
    setObjectName(QStringLiteral("KivraWebcam"));
    datPivora->setObjectName(QStringLiteral("datPivora"));
    setWindowTitle(texts::mainCaption);
    setWindowIcon(QIcon(QStringLiteral(":/images/kivrawebcam.png")));
    setFixedSize(twips(9960), twips(7125));

    components.capture.setPreviewSink(ui.ezVidCap1->videoSink());
    connectControls();
    connectRemote();
    connectPointing();
    connectPublishing();
    connectFrameDressing();
    connectBrowser();
    m_webRemote =
        new WebStationRemote({ui, *m_touchPadControl, *m_pointingPanel, *m_mount, *datPivora,
                              *m_publisher, [this] { return previewFrame(); }},
                             this);
    m_webService =
        new WebRemoteService(components.settings, *m_webRemote, StationPaths::dataFolder(), this);
    connect(m_webService, &WebRemoteService::status, this, &KivraWebcam::ShowStatus);
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
    connect(m_mount, &MountLink::status, this, &KivraWebcam::ShowStatus);
    connect(m_driverList, &DriverList::status, this, &KivraWebcam::ShowStatus);

    for (int n = 1; n <= MountLink::portCount; ++n) {
        QRadioButton* option = ui.portOption(n);
        option->setToolTip(m_mount->deviceFor(n));
        whenChosen(
            option, this, [this, n] { m_mount->SelectPort(n); }, /*reselect=*/true);
    }
    connect(ui.hsAccel, &QScrollBar::valueChanged, this, &KivraWebcam::onAccelerationChanged);

    connect(Timer3, &IntervalTimer::timeout, this, &KivraWebcam::onTimer3);
    connect(ui.cmdVidSettings, &QPushButton::clicked, this, &KivraWebcam::ShowDriverDialog);
}

// The toggle stays hidden: nothing in the window shows it, so the link is
// off unless something clicks the button.
void KivraWebcam::connectRemote()
{
    m_remoteControl =
        new RemoteControl(m_components.remoteSockets, m_components.programFolder, this);
    m_remoteControl->setObjectName(QStringLiteral("remoteControl"));
    connect(m_remoteControl, &RemoteControl::status, this, &KivraWebcam::ShowStatus);
    connect(m_remoteControl, &RemoteControl::captionChanged, ui.cmdEnableRemote,
            &QPushButton::setText);
    connect(ui.cmdEnableRemote, &QPushButton::clicked, m_remoteControl, &RemoteControl::Toggle);
}

void KivraWebcam::connectPointing()
{
    connect(datPivora, &PresetRecordSet::status, this, &KivraWebcam::ShowStatus);
    m_pointingPanel =
        std::make_unique<PointingPanel>(ui, [this](const QString& text) { ShowStatus(text); });
    m_scheduler =
        new PointingScheduler(*m_pointingPanel, *m_mount, *datPivora, *Timer1, *tmrSnapPic, this);
    m_touchPadControl = new TouchPadControl(*m_pointingPanel, *m_mount, *datPivora, this);

    connect(ui.Picture1, &TouchPad::MouseMove, m_touchPadControl, &TouchPadControl::MouseMove);
    connect(ui.Picture1, &TouchPad::Click, m_touchPadControl, &TouchPadControl::Click);
    whenChosen(ui.optManual, this, [this] { m_scheduler->chooseManual(); });
    whenChosen(ui.optRandom, this, [this] { m_scheduler->chooseRandom(); });
    whenChosen(ui.optsequence, this, [this] { m_scheduler->chooseSequence(); });
    whenChosen(ui.optTrain, this, [this] { m_scheduler->chooseTraining(); });
    connect(ui.cmdDelete, &QPushButton::clicked, this,
            [this] { presetactions::deleteClicked(*datPivora); });

    m_presetGrid = new PresetGridBinding(*ui.DBGrid1, *datPivora, this);
    connect(m_presetGrid, &PresetGridBinding::status, this, &KivraWebcam::ShowStatus);
    ui.datPivoraNavigator->setRecordSet(datPivora);
}

void KivraWebcam::connectPublishing()
{
    connect(m_publisher, &FramePublisher::status, this, &KivraWebcam::ShowStatus);
    connect(m_publisher, &FramePublisher::sendFrameEnabled, ui.cmdCaptureFrame,
            &QWidget::setEnabled);
    connect(ui.cmdCaptureFrame, &QPushButton::clicked, m_publisher, &FramePublisher::SendFrame);
    connect(tmrSnapPic, &IntervalTimer::timeout, this, [this] {
        tmrSnapPic->setEnabled(false);
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
        onTimer3();
    dlgFTP dialog(m_settingsModule.uploadSettings(), m_components.messages, this);
    if (dialog.exec() == QDialog::Accepted)
        m_publisher->ApplyFtpSettings(dialog.settings());
}

// The dressing of published frames is set from the live picture's menu, so
// the window keeps its layout.
void KivraWebcam::connectFrameDressing()
{
    m_frameDresser =
        std::make_unique<FrameDresser>(m_components.settings, [this] { return visitedPreset(); });
    ui.ezVidCap1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ui.ezVidCap1, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(this);
        menu.setObjectName(QStringLiteral("videoMenu"));
        const QAction* frameSettings = menu.addAction(texts::frameSettingsMenu);
        const QAction* webRemote = menu.addAction(QStringLiteral("Web Remote..."));
        // The dialog opens once the menu is gone.
        const QAction* chosen = menu.exec(ui.ezVidCap1->mapToGlobal(at));
        if (chosen == frameSettings)
            openFrameSettings();
        else if (chosen == webRemote)
            openWebRemote();
    });
}

void KivraWebcam::openFrameSettings()
{
    dlgFrame dialog(readFrameDressing(m_components.settings), previewFrame(), visitedPreset(),
                    this);
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
    QImage frame = ui.ezVidCap1->videoSink()->videoFrame().toImage();
    if (frame.isNull()) {
        // No picture yet: a plain frame of the usual size still shows the
        // band and the turn.
        frame = QImage(640, 480, QImage::Format_RGB888);
        frame.fill(Qt::darkGray);
    }
    return frame;
}

std::optional<PresetVisit> KivraWebcam::visitedPreset() const
{
    if (!ui.optsequence->isChecked() || datPivora->currentRow() < 0)
        return std::nullopt;
    return PresetVisit{datPivora->currentRow() + 1,
                       datPivora->field(texts::presetFileNameField).toString()};
}

void KivraWebcam::connectBrowser()
{
    connect(ui.Picture2, &ClickableLabel::clicked, m_browser, &BrowserLauncher::open);
    connect(m_browser, &BrowserLauncher::status, this, &KivraWebcam::ShowStatus);
}

void KivraWebcam::Load()
{
    // Each step stands on its own: one that cannot be done is passed over
    // and start-up goes on with the next.
    show();
    repaint();

    m_driverList->FillDriverList();

    datPivora->setDatabaseName(m_components.programFolder + QDir::separator() +
                               texts::presetDatabaseFile);

    ui.Picture1->setEnabled(false);
    m_remoteControl->reset();

    Timer3->setInterval(durations::settingsLoadDelay);
    Timer3->setEnabled(true);

    // Loading is done: the table opens now, before the settings restore
    // may choose sequenced pointing.
    datPivora->open();
    qCInfo(kivraPresets, "preset file %s", qPrintable(datPivora->databaseName()));
}

void KivraWebcam::ShowStatus(const QString& text)
{
    ui.lblStatus->setText(text);
    // The log outlives the label: each text goes there under the feature
    // that reported it, and never with the FTP password in it.
    QString logged = text;
    const QString& password = m_settingsModule.uploadSettings().FilePassword;
    if (!password.isEmpty())
        logged.replace(password, QLatin1String("********"));
    qCInfo(statusCategory(sender()), "%s", qPrintable(logged));
}

const QLoggingCategory& KivraWebcam::statusCategory(const QObject* source) const
{
    if (source == m_mount)
        return kivraMount();
    if (source == m_driverList)
        return kivraCapture();
    if (source == m_publisher)
        return kivraPublish();
    if (source == datPivora || (source && source == m_presetGrid))
        return kivraPresets();
    if (source && source == m_remoteControl)
        return kivraRemote();
    return kivraApp();
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

void KivraWebcam::onTimer3()
{
    Timer3->setEnabled(false);
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
    Timer1->setInterval(stored.interval);
    Timer1->setEnabled(stored.timer1);
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
    state.interval = Timer1->interval();
    state.timer1 = Timer1->isEnabled();
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
    dialog.exec();
}
