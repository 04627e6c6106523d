#include "Models/ParentalPasswordRepository.h"
#include "Models/ParentalPasswordStore.h"
#include "support/MemorySecureStore.h"
#include "support/MemoryUserDefaults.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
const QString kLegacyKey = u"parentalPasswordHash"_s;
} // namespace

class TestParentalPasswordStore : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_defaults = std::make_unique<MemoryUserDefaults>();
        m_keychain = std::make_unique<MemorySecureStore>();
    }
    void cleanup()
    {
        m_keychain.reset();
        m_defaults.reset();
    }

    void verify_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("expected");

        QTest::newRow("same text") << u"abc123"_s << u"abc123"_s << true;
        QTest::newRow("trailing blank") << u"abc123"_s << u"abc123 "_s << false;
        QTest::newRow("empty typed") << u"abc123"_s << QString() << false;
        QTest::newRow("non-ASCII") << u"家长密码🔒é"_s << u"家长密码🔒é"_s << true;
        // Same look, other code points: é precomposed against e + combining acute.
        QTest::newRow("other normalisation") << u"caf\u00e9"_s << u"cafe\u0301"_s << false;
        QTest::newRow("empty password set") << QString() << QString() << true;
    }
    void verify()
    {
        QFETCH(QString, password);
        QFETCH(QString, typed);
        QFETCH(bool, expected);

        auto store = makeStore();
        store->setupPassword(password);
        QCOMPARE(store->verify(typed), expected);
    }

    void storedForm()
    {
        auto store = makeStore();
        QSignalSpy changed(store.get(), &ParentalPasswordStore::hasPasswordChanged);
        QVERIFY(!store->hasPassword());
        m_defaults->setString(kLegacyKey, u"olleh"_s);

        store->setupPassword(u"hello"_s);

        QVERIFY(store->hasPassword());
        QCOMPARE(changed.count(), 1);
        const QByteArray salt = m_keychain->copy(ParentalPasswordStore::saltAccount).value_or(QByteArray());
        QCOMPARE(salt.size(), 16);
        const QString digest
            = QString::fromUtf8(m_keychain->copy(ParentalPasswordStore::hashAccount).value_or(QByteArray()));
        QVERIFY2(QRegularExpression(u"^[0-9a-f]{64}$"_s).match(digest).hasMatch(), qPrintable(digest));
        QCOMPARE(m_keychain->copy(ParentalPasswordStore::versionAccount), QByteArray("pbkdf2_sha256_v1"));
        QCOMPARE(digest, ParentalPasswordStore::pbkdf2Hash(u"hello"_s, salt));
        QVERIFY(!m_defaults->contains(kLegacyKey));
    }

    // Reference values from Python's hashlib (pbkdf2_hmac and sha256) over the same inputs.
    void digestsMatchReference()
    {
        const QByteArray salt = QByteArray::fromHex("000102030405060708090a0b0c0d0e0f");
        QCOMPARE(ParentalPasswordStore::pbkdf2Hash(u"家长"_s, salt),
                 u"536b724bd241f3bc5389cdfd06c01434c744b7d4c530b5f3166b29b7ab3d2033"_s);
        QCOMPARE(ParentalPasswordStore::saltedSHA256(u"家长"_s, salt),
                 u"4625d3328e493cd2d1b053f6de6443f4a9569c462c7350e770613867c6589985"_s);
    }

    void twoSetupsGiveDifferentSalts()
    {
        auto store = makeStore();
        store->setupPassword(u"same"_s);
        const auto firstSalt = m_keychain->copy(ParentalPasswordStore::saltAccount);
        const auto firstDigest = m_keychain->copy(ParentalPasswordStore::hashAccount);
        store->setupPassword(u"same"_s);
        QVERIFY(firstSalt != m_keychain->copy(ParentalPasswordStore::saltAccount));
        QVERIFY(firstDigest != m_keychain->copy(ParentalPasswordStore::hashAccount));
        QVERIFY(store->verify(u"same"_s));
    }

    void versionTag_data()
    {
        QTest::addColumn<std::optional<QByteArray>>("version");
        QTest::newRow("other tag") << std::optional<QByteArray>("pbkdf2_sha256_v2");
        QTest::newRow("tag with trailing line break") << std::optional<QByteArray>("pbkdf2_sha256_v1\n");
        QTest::newRow("missing") << std::optional<QByteArray>();
    }
    void versionTag()
    {
        QFETCH(std::optional<QByteArray>, version);
        auto store = makeStore();
        store->setupPassword(u"right"_s);
        // A legacy record must not be consulted as a fallback either.
        m_defaults->setString(kLegacyKey, u"thgir"_s);
        m_keychain->remove(ParentalPasswordStore::versionAccount);
        if (version) {
            m_keychain->add(ParentalPasswordStore::versionAccount, *version);
        }
        QVERIFY(!store->verify(u"right"_s));
        QVERIFY(m_defaults->contains(kLegacyKey));
    }

    void legacyMigration()
    {
        m_defaults->setString(kLegacyKey, u"🔒码密é"_s);
        auto store = makeStore();
        QVERIFY(store->hasPassword());

        // The stored value itself is not the password: it is the password reversed.
        QVERIFY(!store->verify(u"🔒码密é"_s));
        QCOMPARE(m_defaults->string(kLegacyKey), u"🔒码密é"_s);
        QVERIFY(!m_keychain->contains(ParentalPasswordStore::hashAccount));

        QVERIFY(store->verify(u"é密码🔒"_s));
        QVERIFY(!m_defaults->contains(kLegacyKey));
        QVERIFY(m_keychain->contains(ParentalPasswordStore::saltAccount));
        QVERIFY(m_keychain->contains(ParentalPasswordStore::hashAccount));
        QVERIFY(m_keychain->contains(ParentalPasswordStore::versionAccount));
        QVERIFY(store->verify(u"é密码🔒"_s));
    }

    void brokenHashItemFallsBackToLegacy()
    {
        auto store = makeStore();
        store->setupPassword(u"new"_s);
        m_keychain->remove(ParentalPasswordStore::hashAccount);
        m_keychain->add(ParentalPasswordStore::hashAccount, QByteArray("\xc3\x28"));
        m_defaults->setString(kLegacyKey, u"dlo"_s);
        QVERIFY(!store->verify(u"new"_s));
        QVERIFY(store->verify(u"old"_s));
        QVERIFY(store->verify(u"old"_s));
    }

    void failingKeychainStillReportsAPassword()
    {
        m_keychain->failAccount(ParentalPasswordStore::hashAccount);
        auto store = makeStore();
        store->setupPassword(u"pw"_s);
        QVERIFY(store->hasPassword());
        QVERIFY(!store->verify(u"pw"_s));
    }

    void reversedByCharacters_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("surrogate pair kept whole") << u"a😀b"_s << u"b😀a"_s;
        QTest::newRow("combining mark stays on its letter") << u"ae\u0301b"_s << u"be\u0301a"_s;
        QTest::newRow("family emoji is one character") << u"x\U0001F468\u200D\U0001F469\u200D\U0001F467y"_s
                                                       << u"y\U0001F468\u200D\U0001F469\u200D\U0001F467x"_s;
    }
    void reversedByCharacters()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(ParentalPasswordStore::reversedByCharacters(text), expected);
    }

private:
    std::unique_ptr<MemoryUserDefaults> m_defaults;
    std::unique_ptr<MemorySecureStore> m_keychain;

    std::unique_ptr<ParentalPasswordStore> makeStore()
    {
        return std::make_unique<ParentalPasswordStore>(std::make_unique<ParentalPasswordRepository>(),
                                                       *m_keychain, *m_defaults);
    }
};

QTEST_GUILESS_MAIN(TestParentalPasswordStore)
#include "TestParentalPasswordStore.moc"
