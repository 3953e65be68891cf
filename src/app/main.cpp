// SPDX-License-Identifier: GPL-3.0-or-later
#include "Clock.h"
#include "CurlFileTransfer.h"
#include "IniSettingsStore.h"
#include "KivraWebcam.h"
#include "LogCategories.h"
#include "MainWindowLayout.h"
#include "QtCaptureDevice.h"
#include "QtMessageBoxes.h"
#include "QtRemoteSocket.h"
#include "QtSerialPort.h"
#include "SqlitePresetStorage.h"
#include "StationLog.h"
#include "StationPaths.h"
#include "Texts.h"
#include "TransferSettings.h"
#include "TurboJpegCodec.h"
#include "UnixSignalWatcher.h"
#include "UploadLog.h"
#include "WebEngineLoader.h"
#include "WebEngineSetup.h"
#include "WebPasswordCommand.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFont>
#include <QSessionManager>

#include <csignal>

namespace {

void describeCommandLine(QCommandLineParser& parser, const QCommandLineOption& testPattern)
{
    QCoreApplication::setApplicationName(texts::appTitle);
    QCoreApplication::setApplicationVersion(QStringLiteral(KIVRA_VERSION));
    parser.setApplicationDescription(
        QStringLiteral("Camera station: live picture, pan/tilt mount control and FTP publishing."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(testPattern);
    parser.addOption({QLatin1String(WebPasswordCommand::option),
                      QStringLiteral("Store the web remote's admin or guest password, read from "
                                     "standard input, and exit."),
                      QStringLiteral("admin|guest")});
}

bool asksOnlyForText(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "-h" || arg == "-?" || arg == "--help" || arg == "--help-all" || arg == "-v" ||
            arg == "--version")
            return true;
    }
    return false;
}

// Every way the station is told to end runs the same unload as closing the
// window: a service manager's or a terminal's signal, and the session's
// logout. The event loops end with it, also the one of a message box still
// open from the start-up.
void endOnRequest(QApplication& app, UnixSignalWatcher& stopSignals, KivraWebcam& window)
{
    const auto end = [&window] {
        window.End();
        QCoreApplication::exit(0);
    };
    QObject::connect(&stopSignals, &UnixSignalWatcher::received, &window, end);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [end](QSessionManager&) { end(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &window, &KivraWebcam::End);
}

} // namespace

int main(int argc, char* argv[])
{
    const QCommandLineOption testPattern(
        QStringLiteral("test-pattern"),
        QStringLiteral("List a synthetic \"Test pattern\" driver after the real cameras."));

    if (const auto user = WebPasswordCommand::requested(argc, argv)) {
        QCoreApplication app(argc, argv);
        IniSettingsStore settings;
        return WebPasswordCommand::run(*user, stdin, settings);
    }
    // --help and --version answer without touching the window system, so
    // they work on a terminal without a display.
    if (asksOnlyForText(argc, argv)) {
        QCoreApplication app(argc, argv);
        QCommandLineParser parser;
        describeCommandLine(parser, testPattern);
        parser.process(app);
        return 0;
    }

    // Threads of Qt, of the camera back end and of the transfer log until
    // they are joined, so the log is made first and goes last.
    StationLog log(QDir(StationPaths::dataFolder()).filePath(texts::stationLogFile));
    log.install();

    prepareWebEngine();
    QApplication app(argc, argv);
    QCommandLineParser parser;
    describeCommandLine(parser, testPattern);
    parser.process(app);
    // Every window of the station was laid out for the same narrow font.
    QApplication::setFont(MainWindowLayout::windowFont());
    // Matches the windows to the menu entry on Wayland.
    QGuiApplication::setDesktopFileName(QStringLiteral(KIVRA_APP_ID));

    qCInfo(kivraApp, "%s %s started", qPrintable(texts::appTitle.toString()), KIVRA_VERSION);

    // Watching from before the parts are made until after they are gone:
    // a signal that comes while they are taken down must not kill the
    // program halfway either.
    UnixSignalWatcher stopSignals({SIGTERM, SIGINT, SIGHUP});

    IniSettingsStore settings;
    QtSerialPort serialPort;
    QtCaptureDevice capture(parser.isSet(testPattern));
    QtMessageBoxes messages;
    TurboJpegCodec imageCodec;
    const QString dataFolder = StationPaths::dataFolder();
    UploadLog uploadLog(QDir(dataFolder).filePath(texts::uploadRecordFile));
    if (!uploadLog.refusal().isEmpty())
        qCWarning(kivraPublish, "%s", qPrintable(texts::uploadRecordOff + uploadLog.refusal()));
    CurlFileTransfer transfer;
    TransferOptions transferOptions = readTransferOptions(settings, dataFolder);
    transferOptions.uploadLog = &uploadLog;
    transfer.setOptions(transferOptions);

    // The browser window runs on Qt WebEngine, loaded as a plugin when the
    // window first opens: beside the program in a build, else where it was
    // installed.
    const QDir programFolder(QCoreApplication::applicationDirPath());
    WebEngineLoader webEngine({programFolder.path(),
                               programFolder.filePath(QStringLiteral(KIVRA_PLUGIN_RELDIR)),
                               QStringLiteral(KIVRA_PLUGIN_DIR)});
    BrowserSetup browser{webEngine.factory()};
    browser.prepareEngine = [&webEngine](QString* reason) { return webEngine.load(reason); };

    StationComponents components{settings,
                                 serialPort,
                                 capture,
                                 messages,
                                 QCoreApplication::applicationDirPath(),
                                 imageCodec,
                                 transfer,
                                 [] { return std::make_unique<SqlitePresetStorage>(); }};
    components.browser = browser;
    SystemClock clock;
    components.clock = &clock;
    components.remoteSockets.create = [] { return std::make_unique<QtRemoteSocket>(); };

    KivraWebcam window(components);
    endOnRequest(app, stopSignals, window);

    window.Load();
    if (window.hasEnded())
        return 0;
    const int exitCode = app.exec();
    qCInfo(kivraApp, "%s stopped", qPrintable(texts::appTitle.toString()));
    return exitCode;
}
