#include "Platform/SqliteUserDefaults.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

class TestUserDefaults : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<UserDefaults> makeStore()
    {
        return std::make_unique<SqliteUserDefaults>(m_dir->filePath(u"defaults.sqlite3"_s));
    }

    std::unique_ptr<QTemporaryDir> m_dir;

private slots:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    void keepsKinds_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("kind");
        const QVariantMap nested { { u"name"_s, u"游戏"_s },
                                   { u"count"_s, qint64(3) },
                                   { u"list"_s, QVariantList { 1.5, true } } };
        QTest::newRow("text") << QVariant(u"家长"_s) << int(UserDefaults::Kind::String);
        QTest::newRow("data") << QVariant(QByteArray("\x00\x01{}", 4)) << int(UserDefaults::Kind::Data);
        QTest::newRow("int widened") << QVariant(int(-7)) << int(UserDefaults::Kind::Integer);
        QTest::newRow("int64 max") << QVariant(std::numeric_limits<qint64>::max())
                                   << int(UserDefaults::Kind::Integer);
        QTest::newRow("double") << QVariant(0.1) << int(UserDefaults::Kind::Double);
        QTest::newRow("bool") << QVariant(false) << int(UserDefaults::Kind::Boolean);
        QTest::newRow("dictionary") << QVariant(nested) << int(UserDefaults::Kind::Dictionary);
        QTest::newRow("string list") << QVariant(QStringList { u"a"_s, u"b"_s })
                                     << int(UserDefaults::Kind::Array);
    }

    void keepsKinds()
    {
        QFETCH(QVariant, value);
        QFETCH(int, kind);
        auto defaults = makeStore();
        defaults->setObject(u"k"_s, value);
        const auto read = defaults->object(u"k"_s);
        QCOMPARE(int(UserDefaults::kindOf(read)), kind);
        QCOMPARE(read, UserDefaults::normalized(value));
        // Only the stored kind reads back; a number is never text and text never data.
        QCOMPARE(defaults->string(u"k"_s).has_value(), kind == int(UserDefaults::Kind::String));
        QCOMPARE(defaults->data(u"k"_s).has_value(), kind == int(UserDefaults::Kind::Data));
        QCOMPARE(defaults->integer(u"k"_s).has_value(), kind == int(UserDefaults::Kind::Integer));
    }

    void removeAndInvalidValueDeleteTheKey()
    {
        auto defaults = makeStore();
        defaults->setString(u"a"_s, u"x"_s);
        defaults->setString(u"b"_s, u"y"_s);
        defaults->removeObject(u"a"_s);
        defaults->setObject(u"b"_s, QVariant());
        QVERIFY(!defaults->object(u"a"_s).isValid());
        QVERIFY(!defaults->object(u"b"_s).isValid());
    }

    void sqliteValuesSurviveReopening()
    {
        const auto path = m_dir->filePath(u"defaults.sqlite3"_s);
        {
            SqliteUserDefaults defaults(path);
            defaults.setString(u"remoteBackend.role"_s, u"child"_s);
            defaults.setData(u"blob"_s, QByteArray(1 << 20, 'x'));
        }
        SqliteUserDefaults reopened(path);
        QCOMPARE(reopened.string(u"remoteBackend.role"_s), u"child"_s);
        QCOMPARE(reopened.data(u"blob"_s)->size(), 1 << 20);
        QCOMPARE(QFile::permissions(path) & (QFileDevice::ReadOther | QFileDevice::ReadGroup),
                 QFileDevice::Permissions());
    }

    // Two processes of the application may share one file; each sees the other's writes at once.
    void twoStoresOnOneFileSeeEachOther()
    {
        const auto path = m_dir->filePath(u"shared.sqlite3"_s);
        SqliteUserDefaults first(path);
        SqliteUserDefaults second(path);
        first.setInteger(u"n"_s, 1);
        QCOMPARE(second.integer(u"n"_s), 1);
        second.setInteger(u"n"_s, 2);
        QCOMPARE(first.integer(u"n"_s), 2);
    }

    void damagedContainerRowReadsAsMissing()
    {
        const auto path = m_dir->filePath(u"defaults.sqlite3"_s);
        SqliteUserDefaults defaults(path);
        defaults.setObject(u"map"_s, QVariantMap { { u"a"_s, qint64(1) } });
        {
            auto db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"damage"_s);
            db.setDatabaseName(path);
            QVERIFY(db.open());
            QSqlQuery query(db);
            QVERIFY(query.exec(u"UPDATE defaults SET value = X'DEADBEEF' WHERE key = 'map'"_s));
            db.close();
        }
        QSqlDatabase::removeDatabase(u"damage"_s);
        QVERIFY(!defaults.object(u"map"_s).isValid());
        QVERIFY(!defaults.dictionary(u"map"_s));
    }

    // A process killed right after two writes returned loses neither of them.
    void crashAfterTwoWritesLosesNeither()
    {
        const auto path = m_dir->filePath(u"crash.sqlite3"_s);
        const pid_t child = fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            SqliteUserDefaults defaults(path);
            defaults.setInteger(u"mac_usage_today_minutes"_s, 42);
            defaults.setData(u"mac_usage_sessions"_s, QByteArray("{\"s\":1}"));
            ::raise(SIGKILL);
            ::_exit(1);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFSIGNALED(status));
        SqliteUserDefaults reopened(path);
        QCOMPARE(reopened.integer(u"mac_usage_today_minutes"_s), 42);
        QCOMPARE(reopened.data(u"mac_usage_sessions"_s), QByteArray("{\"s\":1}"));
    }
};

QTEST_GUILESS_MAIN(TestUserDefaults)
#include "TestUserDefaults.moc"
