#include "KivraWebcam.h"

#include "BrowserLauncher.h"
#include "CaptureDevice.h"
#include "ClickableLabel.h"
#include "DriverList.h"
#include "Durations.h"
#include "IntervalTimer.h"
#include "MountLink.h"
#include "OptionChoice.h"
#include "PresetRecordSet.h"
#include "Texts.h"
#include "TouchPad.h"
#include "Twips.h"
#include "VideoSettingsDialog.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
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
    , Timer1(makeTimer(this, "Timer1", false, 1500))
    , Timer2(makeTimer(this, "Timer2", false, 0))
    , Timer3(makeTimer(this, "Timer3", true, 0))
    , tmrSnapPic(makeTimer(this, "tmrSnapPic", true, 0))
    , m_mount(new MountLink(components.serialPort, components.settings, this))
    , datPivora(new PresetRecordSet(this))
    , m_driverList(
          new DriverList(*ui.cbDriver, components.capture, components.messages, this, this))
    , m_browser(new BrowserLauncher(components.browser, this))
{
    setObjectName(QStringLiteral("KivraWebcam"));
    datPivora->setObjectName(QStringLiteral("datPivora"));
    setWindowTitle(texts::mainCaption);
    setWindowIcon(QIcon(QStringLiteral(":/images/kivrawebcam.png")));
    setFixedSize(twips(9960), twips(7125));

    components.capture.setPreviewSink(ui.ezVidCap1->videoSink());
    connectControls();
    connectBrowser();
}

KivraWebcam::~KivraWebcam()
{
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

void KivraWebcam::connectBrowser()
{
    connect(ui.Picture2, &ClickableLabel::clicked, m_browser, &BrowserLauncher::open);
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
    m_remoteControl = false;

    Timer3->setInterval(durations::settingsLoadDelay);
    Timer3->setEnabled(true);
}

void KivraWebcam::ShowStatus(const QString& text)
{
    ui.lblStatus->setText(text);
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
    m_settingsLoaded = true;
    emit settingsApplied();
}

void KivraWebcam::SaveSettings()
{
    // Until the stored settings were applied, the controls hold only the
    // start state; writing that would overwrite what the operator saved.
    if (!m_settingsLoaded)
        return;
}

void KivraWebcam::Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    SaveSettings();
    m_mount->ClosePort();
}

void KivraWebcam::closeEvent(QCloseEvent* event)
{
    Unload();
    event->accept();
}

void KivraWebcam::ShowDriverDialog()
{
    VideoSettingsDialog dialog(m_components.capture, this);
    dialog.exec();
}
