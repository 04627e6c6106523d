#include "Services/ShortenedPeriod.h"
#include "support/MemoryUserDefaults.h"

#include <QTest>

#include <limits>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

// The settings key may only shorten a background period: a child who edits it cannot slow the
// arrival of a parent's lock, nor flood the server.
class TestShortenedPeriod : public QObject
{
    Q_OBJECT

private slots:
    void onlyShorterValuesCount_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<qint64>("productionMs");
        QTest::addColumn<qint64>("expectedMs");
        QTest::newRow("missing") << QVariant() << qint64(45'000) << qint64(45'000);
        QTest::newRow("shorter, fractional") << QVariant(2.5) << qint64(45'000) << qint64(2'500);
        QTest::newRow("longer") << QVariant(qint64(3600)) << qint64(45'000) << qint64(45'000);
        QTest::newRow("huge") << QVariant(1e300) << qint64(45'000) << qint64(45'000);
        QTest::newRow("not a number")
            << QVariant(std::numeric_limits<double>::quiet_NaN()) << qint64(45'000) << qint64(45'000);
        QTest::newRow("zero") << QVariant(qint64(0)) << qint64(45'000) << qint64(45'000);
        QTest::newRow("text") << QVariant(u"2"_s) << qint64(45'000) << qint64(45'000);
        QTest::newRow("below the floor") << QVariant(0.01) << qint64(45'000) << qint64(1'000);
        QTest::newRow("floor never lengthens") << QVariant(0.01) << qint64(200) << qint64(200);
    }

    void onlyShorterValuesCount()
    {
        QFETCH(QVariant, stored);
        QFETCH(qint64, productionMs);
        QFETCH(qint64, expectedMs);
        MemoryUserDefaults defaults(MemoryUserDefaults::Install::No);
        if (stored.isValid()) {
            defaults.plantRaw(u"period"_s, stored);
        }
        QCOMPARE(
            ShortenedPeriod::read(defaults, u"period"_s, std::chrono::milliseconds(productionMs)).count(),
            expectedMs);
    }
};

QTEST_GUILESS_MAIN(TestShortenedPeriod)
#include "TestShortenedPeriod.moc"
