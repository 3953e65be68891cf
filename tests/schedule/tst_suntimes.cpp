// SPDX-License-Identifier: GPL-3.0-or-later
#include "SunCalendar.h"

#include <QProcess>
#include <QTest>

#include <cmath>

namespace {

// PyEphem's next crossings: a moment, or "always"/"never" up.
struct Expected
{
    QString rise;
    QString set;
};

Expected ephemCrossings(double latitude, double longitude, const QDateTime& at, double altitude)
{
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(KIVRA_SUNTIMES_SCRIPT), QString::number(latitude, 'f', 6),
                  QString::number(longitude, 'f', 6), at.toString(Qt::ISODate),
                  QString::number(altitude)});
    if (!python.waitForFinished(60000) || python.exitCode() != 0)
        return {};
    Expected e;
    for (const QString& line : QString::fromUtf8(python.readAllStandardOutput()).split('\n')) {
        const QStringList parts = line.split(' ');
        if (parts.size() == 2)
            (parts[0] == QLatin1String("rise") ? e.rise : e.set) = parts[1];
    }
    return e;
}

// The first crossing of the kind within two days, as seconds since 1970.
std::optional<double> first(const QList<SunCalendar::Crossing>& crossings, bool rising)
{
    for (const SunCalendar::Crossing& c : crossings) {
        if (c.rising == rising)
            return c.at.toMSecsSinceEpoch() / 1000.0;
    }
    return std::nullopt;
}

} // namespace

class TestSunTimes : public QObject
{
    Q_OBJECT
private slots:
    void crossingsAgreeWithAnIndependentImplementation_data()
    {
        QTest::addColumn<double>("latitude");
        QTest::addColumn<double>("longitude");
        QTest::addColumn<QDateTime>("from");
        QTest::addColumn<double>("altitude");
        const auto utc = [](int y, int m, int d, int h) {
            return QDateTime(QDate(y, m, d), QTime(h, 0), Qt::UTC);
        };
        QTest::newRow("equator, equinox") << 0.0 << -78.5 << utc(2026, 3, 20, 0) << -0.833;
        QTest::newRow("Berlin, clocks go forward")
            << 52.52 << 13.405 << utc(2026, 3, 29, 0) << -0.833;
        QTest::newRow("Berlin, civil, clocks go back")
            << 52.52 << 13.405 << utc(2026, 10, 25, 0) << -6.0;
        QTest::newRow("Denver, nautical, clocks go forward")
            << 39.74 << -104.99 << utc(2026, 3, 8, 6) << -12.0;
        QTest::newRow("Helsinki, astronomical") << 60.17 << 24.94 << utc(2026, 3, 29, 12) << -18.0;
        QTest::newRow("Sydney, clocks go back")
            << -33.87 << 151.21 << utc(2026, 4, 4, 12) << -0.833;
        QTest::newRow("Tromsø, midnight sun") << 69.65 << 18.96 << utc(2026, 6, 21, 0) << -0.833;
        QTest::newRow("Tromsø, civil twilight in the polar night")
            << 69.65 << 18.96 << utc(2026, 12, 21, 0) << -6.0;
        QTest::newRow("Svalbard, polar night") << 78.22 << 15.65 << utc(2026, 12, 21, 0) << -0.833;
        QTest::newRow("McMurdo, midnight sun")
            << -77.85 << 166.67 << utc(2026, 12, 21, 0) << -0.833;
    }
    // Each crossing within two minutes of PyEphem's; where the sun stays up
    // or down, no crossing in the next two days and the state says which.
    void crossingsAgreeWithAnIndependentImplementation()
    {
        QFETCH(double, latitude);
        QFETCH(double, longitude);
        QFETCH(QDateTime, from);
        QFETCH(double, altitude);
        const Expected expected = ephemCrossings(latitude, longitude, from, altitude);
        QVERIFY2(!expected.rise.isEmpty() && !expected.set.isEmpty(), "PyEphem gave no answer");

        const SunCalendar sun(latitude, longitude, altitude);
        const QList<SunCalendar::Crossing> ahead = sun.crossings(from, from.addDays(2));
        const SunCalendar::State state = sun.stateAt(from);
        for (const auto& [rising, answer] :
             {std::pair{true, expected.rise}, std::pair{false, expected.set}}) {
            const std::optional<double> ours = first(ahead, rising);
            if (answer == QLatin1String("always") || answer == QLatin1String("never")) {
                QVERIFY2(!ours, qPrintable(answer));
                QCOMPARE(state.day, answer == QLatin1String("always"));
                continue;
            }
            QVERIFY2(ours, rising ? "no rise" : "no set");
            QVERIFY2(std::fabs(*ours - answer.toDouble()) < 120,
                     qPrintable(QStringLiteral("%1 s apart").arg(*ours - answer.toDouble())));
        }
        // The state is the one the last crossing left, and the next change
        // is the nearer of the two.
        if (state.next) {
            QCOMPARE(state.next->rising, !state.day);
            QCOMPARE(state.next->at, ahead.isEmpty() ? state.next->at : ahead.first().at);
            QVERIFY(!ahead.isEmpty() || state.next->at > from.addDays(2));
        }
    }
};

QTEST_GUILESS_MAIN(TestSunTimes)
#include "tst_suntimes.moc"
