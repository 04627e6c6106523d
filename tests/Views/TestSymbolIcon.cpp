#include "Views/SymbolIcon.h"

#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QTest>

using namespace Qt::StringLiterals;

// Every symbol a screen names has a bundled picture that draws something.
class TestSymbolIcon : public QObject
{
    Q_OBJECT

private slots:
    void everyNamedSymbolIsBundledAndDraws_data()
    {
        QTest::addColumn<QString>("symbol");
        // The names the screens use.
        for (const char* name :
             { "lock.shield.fill", "person.2.fill", "figure.stand", "person.2.badge.gearshape",
               "ellipsis.circle", "paperplane", "lock.open", "laptopcomputer.and.iphone", "chevron.right",
               "questionmark.circle", "bubble.left.and.bubble.right", "info.circle" }) {
            QTest::newRow(name) << QString::fromUtf8(name);
        }
    }

    void everyNamedSymbolIsBundledAndDraws()
    {
        QFETCH(QString, symbol);
        QVERIFY(SymbolIcon::knownSymbols().contains(symbol));
        QVERIFY(QFile::exists(SymbolIcon::resourcePath(symbol)));
        const QImage image = SymbolIcon::pixmap(symbol, 32, Qt::red).toImage();
        QCOMPARE(image.size(), QSize(32, 32));
        int painted = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor pixel = image.pixelColor(x, y);
                if (pixel.alpha() > 128) {
                    ++painted;
                    // Recoloured, whatever colour the file itself uses.
                    QCOMPARE(pixel.red(), 255);
                    QCOMPARE(pixel.green(), 0);
                }
            }
        }
        QVERIFY2(painted > 20, qPrintable(u"only %1 pixels drawn"_s.arg(painted)));
    }

    void unknownNamesGiveNothing()
    {
        QVERIFY(SymbolIcon::resourcePath(u"no.such.symbol"_s).isEmpty());
        QVERIFY(SymbolIcon::icon(u"no.such.symbol"_s).isNull());
        QVERIFY(SymbolIcon::pixmap(u"no.such.symbol"_s, 16).isNull());
    }
};

QTEST_MAIN(TestSymbolIcon)
#include "TestSymbolIcon.moc"
