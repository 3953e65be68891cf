#include "CurlFileTransfer.h"
#include "IniSettingsStore.h"
#include "KivraWebcam.h"
#include "LogCategories.h"
#include "MainWindowLayout.h"
#include "QtCaptureDevice.h"
#include "QtMessageBoxes.h"
#include "QtRemoteSocket.h"
#include "QtSerialPort.h"
#include "QtWebBrowser.h"
#include "SqlitePresetStorage.h"
#include "StationLog.h"
#include "StationPaths.h"
#include "Texts.h"
#include "TransferSettings.h"
#include "TurboJpegCodec.h"
#include "UploadLog.h"
#include "WebEngineSetup.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFont>

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

} // namespace

int main(int argc, char* argv[])
{
    const QCommandLineOption testPattern(
        QStringLiteral("test-pattern"),
        QStringLiteral("List a synthetic \"Test pattern\" driver after the real cameras."));

    // --help and --version answer without touching the window system, so
    // they work on a terminal without a display.
    if (asksOnlyForText(argc, argv)) {
        QCoreApplication app(argc, argv);
        QCommandLineParser parser;
        describeCommandLine(parser, testPattern);
        parser.process(app);
        return 0;
    }

    prepareWebEngine();
    QApplication app(argc, argv);
    QCommandLineParser parser;
    describeCommandLine(parser, testPattern);
    parser.process(app);
    // Every window of the station was laid out for the same narrow font.
    QApplication::setFont(MainWindowLayout::windowFont());

    StationLog log(QDir(StationPaths::dataFolder()).filePath(texts::stationLogFile));
    log.install();
    qCInfo(kivraApp, "%s %s started", qPrintable(texts::appTitle.toString()), KIVRA_VERSION);

    IniSettingsStore settings;
    QtSerialPort serialPort;
    QtCaptureDevice capture(parser.isSet(testPattern));
    QtMessageBoxes messages;
    TurboJpegCodec imageCodec;
    const QString dataFolder = StationPaths::dataFolder();
    UploadLog uploadLog(QDir(dataFolder).filePath(texts::uploadRecordFile));
    CurlFileTransfer transfer;
    TransferOptions transferOptions = readTransferOptions(settings, dataFolder);
    transferOptions.uploadLog = &uploadLog;
    transfer.setOptions(transferOptions);

    // The browser window runs on Qt WebEngine and opens on the home page.
    const BrowserSetup browser{QtWebBrowser::factory()};

    StationComponents components{settings,
                                 serialPort,
                                 capture,
                                 messages,
                                 QCoreApplication::applicationDirPath(),
                                 imageCodec,
                                 transfer,
                                 [] { return std::make_unique<SqlitePresetStorage>(); }};
    components.browser = browser;
    components.remoteSockets.create = [] { return std::make_unique<QtRemoteSocket>(); };

    KivraWebcam window(components);
    window.Load();
    const int exitCode = app.exec();
    qCInfo(kivraApp, "%s stopped", qPrintable(texts::appTitle.toString()));
    return exitCode;
}
