#include "Platform/Linux/FileSecureStore.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The owner-only file that stands in for the keychain where no Secret Service runs.
class TestSecureStore : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_directory = std::make_unique<QTemporaryDir>();
        m_path = m_directory->filePath(u"config/vantorel/secure-store.json"_s);
    }

    void addCopyRemove()
    {
        FileSecureStore store(m_path);
        const QByteArray salt("\x00\xff\x10 binary", 10);
        QVERIFY(!store.copy(u"a"_s));
        QVERIFY(store.add(u"a"_s, salt));
        QVERIFY(!store.add(u"a"_s, "other"));
        QVERIFY(store.add(u"b"_s, QByteArray()));

        FileSecureStore reopened(m_path);
        QCOMPARE(reopened.copy(u"a"_s), std::optional<QByteArray>(salt));
        QCOMPARE(reopened.copy(u"b"_s), std::optional<QByteArray>(QByteArray()));
        QVERIFY(reopened.remove(u"a"_s));
        QVERIFY(!reopened.remove(u"a"_s));
        QVERIFY(!store.copy(u"a"_s));
        QVERIFY(store.copy(u"b"_s));
    }

    void fileIsOwnerOnly()
    {
        FileSecureStore store(m_path);
        QVERIFY(store.add(u"a"_s, "secret"));
        const auto permissions = QFileInfo(m_path).permissions();
        QVERIFY(!(permissions
                  & (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteGroup
                     | QFileDevice::WriteOther)));
        const auto folder = QFileInfo(QFileInfo(m_path).path()).permissions();
        QVERIFY(!(folder & (QFileDevice::ReadOther | QFileDevice::ExeOther)));
    }

    void damagedFileIsKeptAside()
    {
        const QByteArray contents("{\"a\": ");
        writeFile(contents);
        FileSecureStore store(m_path);
        QVERIFY(!store.copy(u"a"_s));
        QVERIFY(!store.remove(u"a"_s));
        QVERIFY(store.add(u"a"_s, "new"));
        QCOMPARE(store.copy(u"a"_s), std::optional<QByteArray>("new"));
        QFile kept(m_path + u".damaged"_s);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), contents);
    }

    void itemThatIsNotBase64ReadsAsMissing()
    {
        writeFile(R"({"a":"***","b":5})");
        FileSecureStore store(m_path);
        QVERIFY(!store.copy(u"a"_s));
        QVERIFY(!store.copy(u"b"_s));
    }

private:
    void writeFile(const QByteArray& contents)
    {
        QVERIFY(QDir().mkpath(QFileInfo(m_path).path()));
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }

    std::unique_ptr<QTemporaryDir> m_directory;
    QString m_path;
};

QTEST_GUILESS_MAIN(TestSecureStore)
#include "TestSecureStore.moc"
