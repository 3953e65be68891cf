#include "CurlFileTransfer.h"
#include "IniSettingsStore.h"
#include "KivraWebcam.h"
#include "MainWindowLayout.h"
#include "QtCaptureDevice.h"
#include "QtMessageBoxes.h"
#include "QtRemoteSocket.h"
#include "QtSerialPort.h"
#include "QtWebBrowser.h"
#include "Texts.h"
#include "TransferSettings.h"
#include "TurboJpegCodec.h"
#include "UploadLog.h"
#include "WebEngineSetup.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFont>
#include <QStandardPaths>

int main(int argc, char* argv[])
{
    prepareWebEngine();
    QApplication app(argc, argv);
    QApplication::setApplicationName(texts::appTitle);
    QApplication::setApplicationVersion(QStringLiteral(KIVRA_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Camera station: live picture, pan/tilt mount control and FTP publishing."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption testPattern(
        QStringLiteral("test-pattern"),
        QStringLiteral("List a synthetic \"Test pattern\" driver after the real cameras."));
    parser.addOption(testPattern);
    parser.process(app);
    // Every window of the station was laid out for the same narrow font.
    QApplication::setFont(MainWindowLayout::windowFont());

    IniSettingsStore settings;
    QtSerialPort serialPort;
    QtCaptureDevice capture(parser.isSet(testPattern));
    QtMessageBoxes messages;
    TurboJpegCodec imageCodec;
    // The upload record and SFTP's known hosts live in the per-user data
    // folder, beside the preset table's fallback.
    const QString dataFolder =
        QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
            .filePath(texts::appTitle);
    UploadLog uploadLog(QDir(dataFolder).filePath(texts::uploadRecordFile));
    CurlFileTransfer transfer;
    TransferOptions transferOptions = readTransferOptions(settings, dataFolder);
    transferOptions.uploadLog = &uploadLog;
    transfer.setOptions(transferOptions);

    // The browser window runs on Qt WebEngine and opens on the home page.
    const BrowserSetup browser{QtWebBrowser::factory()};

    StationComponents components{
        settings,   serialPort, capture, messages, QCoreApplication::applicationDirPath(),
        imageCodec, transfer};
    components.browser = browser;
    components.remoteSockets.create = [] { return std::make_unique<QtRemoteSocket>(); };

    KivraWebcam window(components);
    window.Load();
    return app.exec();
}
