#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QTest>
#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

// Every text the application shows through L10n::localized has a finished English entry that
// keeps the placeholders of its source.
class TestTranslations : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        const QString sourceDir = QFINDTESTDATA("../../src");
        QVERIFY2(!sourceDir.isEmpty(), "the source folder was not found");
        for (QDirIterator it(sourceDir, { u"*.cpp"_s, u"*.h"_s }, QDir::Files, QDirIterator::Subdirectories);
             it.hasNext();) {
            QFile file(it.next());
            QVERIFY(file.open(QIODevice::ReadOnly));
            // Whole-line comments may quote the call form; they are not texts.
            static const QRegularExpression lineComment(u"^\\s*//[^\n]*"_s,
                                                        QRegularExpression::MultilineOption);
            const auto code = QString::fromUtf8(file.readAll()).remove(lineComment);
            m_sources.insert(sourceTexts(code, file.fileName()));
        }
        QVERIFY2(m_sources.size() > 50, "too few texts found: the scanner is broken");

        const QString tsPath = QFINDTESTDATA("../../i18n/en.ts");
        QFile ts(tsPath);
        QVERIFY2(ts.open(QIODevice::ReadOnly), "i18n/en.ts was not found");
        QXmlStreamReader xml(&ts);
        QString source;
        while (!xml.atEnd()) {
            xml.readNext();
            if (!xml.isStartElement()) {
                continue;
            }
            if (xml.name() == u"source"_s) {
                source = xml.readElementText();
            } else if (xml.name() == u"translation"_s) {
                const auto type = xml.attributes().value(u"type"_s);
                Entry entry;
                entry.finished = type.isEmpty();
                entry.translation = xml.readElementText();
                entry.finished = entry.finished && !entry.translation.isEmpty();
                m_english.insert(source, entry);
            }
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    }

    void everySourceTextHasAFinishedEnglishEntry()
    {
        QStringList missing;
        for (auto it = m_sources.cbegin(); it != m_sources.cend(); ++it) {
            const auto entry = m_english.constFind(it.key());
            if (entry == m_english.cend() || !entry->finished) {
                missing.append(u"\"%1\" (%2)"_s.arg(it.key(), QFileInfo(it.value()).fileName()));
            }
        }
        missing.sort();
        QVERIFY2(missing.isEmpty(),
                 qPrintable(u"no finished English entry for:\n"_s + missing.join(u'\n')
                            + u"\nrun the update_translations target and fill i18n/en.ts"_s));
    }

    void placeholdersAreKept_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("translation");
        int row = 0;
        for (auto it = m_english.cbegin(); it != m_english.cend(); ++it) {
            if (it->finished) {
                QTest::addRow("%d %s", ++row, qPrintable(it.key().left(30))) << it.key() << it->translation;
            }
        }
    }

    void placeholdersAreKept()
    {
        QFETCH(QString, source);
        QFETCH(QString, translation);
        QCOMPARE(placeholders(translation), placeholders(source));
    }

private:
    struct Entry
    {
        QString translation;
        bool finished = false;
    };

    // Source texts of `L10n::localized("…")` calls, with the file they were found in.
    static QHash<QString, QString> sourceTexts(const QString& code, const QString& file)
    {
        // One call: the literal may be split into adjacent pieces, as the extractor accepts.
        static const QRegularExpression call(
            u"L10n::localized\\(\\s*((?:\"(?:[^\"\\\\]|\\\\.)*\"\\s*)+)\\)"_s);
        static const QRegularExpression piece(u"\"((?:[^\"\\\\]|\\\\.)*)\""_s);
        QHash<QString, QString> found;
        for (auto match = call.globalMatch(code); match.hasNext();) {
            const auto literal = match.next().captured(1);
            QString text;
            for (auto part = piece.globalMatch(literal); part.hasNext();) {
                text += part.next().captured(1);
            }
            text.replace(u"\\n"_s, u"\n"_s).replace(u"\\\""_s, u"\""_s).replace(u"\\\\"_s, u"\\"_s);
            found.insert(text, file);
        }
        return found;
    }

    static QStringList placeholders(const QString& text)
    {
        static const QRegularExpression placeholder(u"%(%|@|lld|ld|d)"_s);
        QStringList found;
        for (auto match = placeholder.globalMatch(text); match.hasNext();) {
            const auto token = match.next().captured(0);
            if (token != u"%%"_s) {
                found.append(token);
            }
        }
        found.sort();
        return found;
    }

    QHash<QString, QString> m_sources;
    QHash<QString, Entry> m_english;
};

QTEST_GUILESS_MAIN(TestTranslations)
#include "TestTranslations.moc"
