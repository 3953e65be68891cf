// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchFigure.h"
#include "FrameHub.h"
#include "KivraWebcam.h"
#include "LivePicture.h"
#include "MainWindowLayout.h"
#include "PasswordHash.h"
#include "PseudoTerminal.h"
#include "QtSerialPort.h"
#include "SettingsKeys.h"
#include "StationRig.h"
#include "TestPatternSource.h"
#include "TickGap.h"
#include "TouchPad.h"
#include "WebCertificate.h"
#include "WebServer.h"
#include "WebSettings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QVideoSink>

#include <curl/curl.h>
#include <sys/resource.h>

#include <functional>
#include <thread>

// The web remote under load, against the whole station on a test pattern
// with its mount on a pseudo-terminal:
//  - a tap on the page until its bytes are at the terminal, beside a click
//    on the desktop pad at the same place;
//  - the frames a viewer receives, beside the configured rate;
//  - the longest gap of a 1 ms timer on the user-interface thread with 20
//    viewers, beside the timer alone;
//  - the processor time each viewer costs, beside the station idle.
// Viewers run in a child process of this program (--viewers), so their
// own decoding is not counted as the station's.
namespace {

const QByteArray password = "bench password 1";
constexpr int taps = 400;
constexpr int frameRate = 5;
constexpr int manyViewers = 20;
constexpr int phaseSeconds = 10;
constexpr int rounds = 3;

double p99(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[size_t(double(values.size() - 1) * 0.99)];
}

size_t discard(char*, size_t size, size_t n, void*)
{
    return size * n;
}

size_t collect(char* data, size_t size, size_t n, void* into)
{
    static_cast<QByteArray*>(into)->append(data, qsizetype(size * n));
    return size * n;
}

// One HTTPS client with its own connection, kept alive between calls.
struct Client
{
    Client(const QByteArray& port, const QByteArray& caFile, const QByteArray& from = {})
        : base("https://127.0.0.1:" + port)
        , handle(curl_easy_init())
    {
        curl_easy_setopt(handle, CURLOPT_CAINFO, caFile.constData());
        curl_easy_setopt(handle, CURLOPT_TIMEOUT, 30L);
        if (!from.isEmpty()) {
            interface = "host!" + from;
            curl_easy_setopt(handle, CURLOPT_INTERFACE, interface.constData());
        }
    }
    ~Client()
    {
        curl_slist_free_all(headers);
        curl_easy_cleanup(handle);
    }
    void setHeaders(const QList<QByteArray>& lines)
    {
        curl_slist_free_all(std::exchange(headers, nullptr));
        for (const QByteArray& line : lines)
            headers = curl_slist_append(headers, line.constData());
        curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers);
    }
    // The status, 0 when the call failed.
    long call(const QByteArray& path, const QByteArray* post, QByteArray* body,
              QByteArray* head = nullptr)
    {
        const QByteArray url = base + path;
        curl_easy_setopt(handle, CURLOPT_URL, url.constData());
        if (post) {
            curl_easy_setopt(handle, CURLOPT_POSTFIELDS, post->constData());
            curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE, long(post->size()));
        } else {
            curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
        }
        curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, body ? &collect : &discard);
        curl_easy_setopt(handle, CURLOPT_WRITEDATA, body);
        curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, head ? &collect : &discard);
        curl_easy_setopt(handle, CURLOPT_HEADERDATA, head);
        long status = 0;
        if (curl_easy_perform(handle) == CURLE_OK)
            curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
        return status;
    }

    QByteArray base;
    QByteArray interface;
    CURL* handle;
    curl_slist* headers = nullptr;
};

QByteArray headerValue(const QByteArray& head, const QByteArray& name)
{
    for (const QByteArray& line : head.split('\n'))
        if (line.toLower().startsWith(name.toLower() + ':'))
            return line.mid(name.size() + 1).trimmed();
    return {};
}

// The child: `count` viewers pulling frames for `seconds`, each printing
// how many it received and over how long from its first one.
int runViewers(int count, int seconds, const QByteArray& port, const QByteArray& caFile,
               const QByteArray& cookie)
{
    std::vector<std::thread> viewers;
    std::vector<std::pair<int, double>> results(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        viewers.emplace_back([&, i] {
            // Spread over a few loopback addresses, as phones would be.
            Client client(port, caFile, "127.0.0." + QByteArray::number(2 + i % 4));
            client.setHeaders({"Cookie: " + cookie});
            QElapsedTimer clock;
            clock.start();
            quint64 after = 0;
            int frames = 0;
            qint64 first = -1;
            qint64 last = 0;
            while (clock.elapsed() < seconds * 1000) {
                QByteArray body;
                QByteArray head;
                const long status = client.call("/api/frame?after=" + QByteArray::number(after),
                                                nullptr, &body, &head);
                if (status != 200)
                    continue;
                after = headerValue(head, "X-Frame-Sequence").toULongLong();
                last = clock.elapsed();
                if (first < 0)
                    first = last;
                else
                    ++frames;
            }
            results[size_t(i)] = {frames, double(last - first) / 1000.0};
        });
    }
    for (std::thread& viewer : viewers)
        viewer.join();
    for (const auto& [frames, span] : results)
        std::printf("%d %.3f\n", frames, span);
    return 0;
}

// Runs `work` on a thread of its own while this thread serves its events.
void offThread(const std::function<void()>& work)
{
    QEventLoop loop;
    std::thread worker([&] {
        work();
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Phase
{
    double longestGapMs = 0;
    double cpuSeconds = 0;
    QList<QByteArray> viewerLines;
};

} // namespace

class WebBench
{
public:
    explicit WebBench(const QString& root)
        : m_root(root)
        , m_rig({.serial = &m_port, .programFolder = root})
    {}

    bool start();
    bool tapFigure();
    bool viewerFigures();

private:
    Phase runPhase(int viewers);

    QString m_root;
    PseudoTerminal m_line;
    QtSerialPort m_port;
    StationRig m_rig;
    TestPatternSource m_pattern;
    WebCertificate m_certificate;
    std::unique_ptr<WebServer> m_server;
    QByteArray m_portText;
    QByteArray m_caFile;
    QByteArray m_cookie;
    QByteArray m_csrf;
};

bool WebBench::start()
{
    m_rig.settings.set(keys::portsSection, QStringLiteral("COM1"), m_line.slavePath());
    m_rig.start();
    m_rig.ui().Option1->click();
    m_rig.ui().optManual->click();
    m_rig.window().show();
    // A moving picture, as a camera gives, for the viewers' frames.
    QObject::connect(&m_pattern, &TestPatternSource::frameReady, m_rig.ui().ezVidCap1->videoSink(),
                     &QVideoSink::setVideoFrame);
    m_pattern.start();

    const QString data = m_root + QStringLiteral("/data");
    m_certificate = WebCertificate::selfSigned(data, {QStringLiteral("127.0.0.1")});
    WebSettings settings;
    settings.enabled = true;
    settings.port = 0;
    settings.adminHash = passwordhash::make(password);
    settings.frameRate = frameRate;
    m_server = std::make_unique<WebServer>(m_rig.window().stationRemote());
    QString why;
    if (!m_certificate.isValid() || !m_server->start(settings, m_certificate, &why)) {
        std::fprintf(stderr, "web server: %s\n", qPrintable(why));
        return false;
    }
    m_portText = QByteArray::number(m_server->port());
    m_caFile = QFile::encodeName(data + QLatin1Char('/') + WebCertificate::certificateFileName);
    long status = 0;
    offThread([&] {
        Client client(m_portText, m_caFile);
        client.setHeaders({"Content-Type: application/json"});
        const QByteArray login = R"({"user":"admin","password":")" + password + "\"}";
        QByteArray body;
        QByteArray head;
        status = client.call("/api/login", &login, &body, &head);
        m_cookie = headerValue(head, "Set-Cookie").split(';').first();
        m_csrf = QJsonDocument::fromJson(body)
                     .object()
                     .value(QStringLiteral("csrf"))
                     .toString()
                     .toLatin1();
    });
    return status == 200 && m_line.isValid();
}

bool WebBench::tapFigure()
{
    // Taken in turns at two places: a click where the mount already points
    // sends nothing.
    TouchPad* pad = m_rig.ui().Picture1;
    const QRect inner = pad->contentsRect();
    const QPoint desk(inner.width() / 3 + 1, inner.height() * 2 / 3 + 1);
    const QPoint page(inner.width() * 3 / 4 + 1, inner.height() / 4 + 1);
    // The pad aims where the pointer last moved, as a mouse moves before it
    // clicks; a move to where the pointer already is comes to nothing.
    const auto click = [&](QPoint at) {
        QTest::mouseMove(pad, inner.topLeft());
        QTest::mouseMove(pad, inner.topLeft() + at);
        QTest::mouseClick(pad, Qt::LeftButton, {}, inner.topLeft() + at);
    };
    const QByteArray tap =
        QJsonDocument(QJsonObject{{QStringLiteral("x"), double(page.x()) / inner.width()},
                                  {QStringLiteral("y"), double(page.y()) / inner.height()}})
            .toJson(QJsonDocument::Compact);
    Client phone(m_portText, m_caFile);
    phone.setHeaders(
        {"Content-Type: application/json", "Cookie: " + m_cookie, "X-CSRF-Token: " + m_csrf});
    // What a tap there sends (the same as a click there, as the web tests
    // show) and what the click sends.
    offThread([&] { phone.call("/api/point", &tap, nullptr); });
    const QByteArray pageBytes = m_line.drain();
    click(desk);
    const QByteArray deskBytes = m_line.drain();
    if (pageBytes.isEmpty() || deskBytes.isEmpty())
        return false;
    std::vector<double> ours;
    std::vector<double> theirs;
    bool same = true;
    for (int i = 0; i < taps && same; ++i) {
        offThread([&] {
            QElapsedTimer clock;
            clock.start();
            QByteArray answer;
            const long status = phone.call("/api/point", &tap, &answer);
            same = status == 200 && m_line.read(pageBytes.size()) == pageBytes;
            if (!same)
                std::fprintf(stderr, "tap: %ld %s\n", status, answer.constData());
            ours.push_back(double(clock.nsecsElapsed()) / 1e6);
        });
        QElapsedTimer clock;
        clock.start();
        click(desk);
        same = same && m_line.read(deskBytes.size()) == deskBytes;
        theirs.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    if (!same) {
        std::fprintf(stderr, "a tap or a click did not send the pad's bytes (%s, %s; %zu): %s\n",
                     pageBytes.toPercentEncoding().constData(),
                     deskBytes.toPercentEncoding().constData(), theirs.size(),
                     m_line.drain().toPercentEncoding().constData());
        return false;
    }
    const double added = p99(ours) - p99(theirs);
    return BenchFigure{QStringLiteral("tap on the page to bytes at a pty, p99 of %1").arg(taps),
                       p99(ours),
                       QStringLiteral("desktop pad click"),
                       p99(theirs),
                       QStringLiteral("ms"),
                       QStringLiteral("added p99 < 5 ms"),
                       added < 5}
        .print();
}

Phase WebBench::runPhase(int viewers)
{
    Phase phase;
    TickGap gap;
    QProcess child;
    if (viewers > 0) {
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--viewers"), QString::number(viewers),
                     QString::number(phaseSeconds), QString::fromLatin1(m_portText),
                     QFile::decodeName(m_caFile), QString::fromLatin1(m_cookie)});
        child.waitForStarted();
    }
    // The viewers' first second (their connections) is left out.
    QEventLoop wait;
    QTimer::singleShot(1000, &wait, &QEventLoop::quit);
    wait.exec();
    const double cpuBefore = cpuSeconds();
    gap.start();
    QTimer::singleShot((phaseSeconds - 2) * 1000, &wait, &QEventLoop::quit);
    wait.exec();
    gap.stop();
    phase.longestGapMs = gap.longestMs();
    phase.cpuSeconds = cpuSeconds() - cpuBefore;
    if (viewers > 0) {
        QObject::connect(&child, &QProcess::finished, &wait, &QEventLoop::quit);
        if (child.state() != QProcess::NotRunning)
            wait.exec();
        phase.viewerLines = child.readAllStandardOutput().trimmed().split('\n');
    }
    // Frames are no longer encoded once nobody has asked for a while.
    if (viewers > 0) {
        QTimer::singleShot(int(std::chrono::milliseconds(FrameHub::watchSpan).count()) + 500, &wait,
                           &QEventLoop::quit);
        wait.exec();
    }
    return phase;
}

bool WebBench::viewerFigures()
{
    // Idle and loaded phases in turns, each figure the median of its
    // rounds: a busy spell of the shared machine falls on both sides.
    const Phase one = runPhase(1);
    std::vector<double> idleGaps, manyGaps, idleCpu, addedCpu;
    Phase many;
    for (int round = 0; round < rounds; ++round) {
        const Phase idle = runPhase(0);
        many = runPhase(manyViewers);
        idleGaps.push_back(idle.longestGapMs);
        manyGaps.push_back(many.longestGapMs);
        idleCpu.push_back(idle.cpuSeconds);
        addedCpu.push_back(many.cpuSeconds - idle.cpuSeconds);
    }
    const auto rateOf = [](const QByteArray& line) {
        const QList<QByteArray> parts = line.split(' ');
        const double span = parts.value(1).toDouble();
        return span > 0 ? parts.value(0).toDouble() / span : 0.0;
    };
    const double received = one.viewerLines.isEmpty() ? 0 : rateOf(one.viewerLines.first());
    double slowest = frameRate;
    for (const QByteArray& line : many.viewerLines)
        slowest = std::min(slowest, rateOf(line));
    if (many.viewerLines.size() != manyViewers)
        slowest = 0;
    const double measured = phaseSeconds - 2;
    const double idleShare = 100 * median(idleCpu) / measured;
    const double perViewer = 100 * median(addedCpu) / measured / manyViewers;
    const double gap = median(manyGaps);
    bool met = BenchFigure{QStringLiteral("frames a viewer receives at 640x480, loopback"),
                           received,
                           QStringLiteral("configured rate"),
                           double(frameRate),
                           QStringLiteral("fps"),
                           QStringLiteral(">= 95 % of the rate"),
                           received >= 0.95 * frameRate}
                   .print();
    std::printf("  (the slowest of %d viewers at once received %.2f fps)\n", manyViewers, slowest);
    met &= BenchFigure{QStringLiteral("longest gap of a 1 ms UI timer, %1 viewers, median of %2")
                           .arg(manyViewers)
                           .arg(rounds),
                       gap,
                       QStringLiteral("the timer alone"),
                       median(idleGaps),
                       QStringLiteral("ms"),
                       QStringLiteral("< 16 ms"),
                       gap < 16}
               .print();
    met &= BenchFigure{QStringLiteral("CPU per viewer at %1 fps (%2 viewers, median of %3)")
                           .arg(frameRate)
                           .arg(manyViewers)
                           .arg(rounds),
                       perViewer,
                       QStringLiteral("station idle"),
                       idleShare,
                       QStringLiteral("%"),
                       QStringLiteral("< 2 % of a core each"),
                       perViewer < 2}
               .print();
    return met;
}

int main(int argc, char** argv)
{
    if (argc == 7 && qstrcmp(argv[1], "--viewers") == 0) {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        return runViewers(atoi(argv[2]), atoi(argv[3]), argv[4], argv[5], argv[6]);
    }
    // The station keeps its settings, logs and certificate in a home of
    // its own, never the user's.
    QTemporaryDir root;
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        qputenv(name, QFile::encodeName(root.path()));
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    curl_global_init(CURL_GLOBAL_DEFAULT);
    QApplication app(argc, argv);
    WebBench bench(root.path());
    if (!bench.start()) {
        std::fprintf(stderr, "the station or its web remote did not start\n");
        return 1;
    }
    bool met = bench.tapFigure();
    met &= bench.viewerFigures();
    return met ? 0 : 1;
}
