#pragma once

#include "Models/ParentalPasswordRepositoryProtocol.h"

#include <QByteArray>
#include <QObject>

#include <memory>
#include <optional>

class SecureStore;
class UserDefaults;

// The parent password of this computer: set here, checked here, never sent anywhere. Stored in
// the keychain as a salted PBKDF2-HMAC-SHA256 digest in three items (salt, digest, format tag).
// An older user-defaults record (the password reversed) is still honoured and replaced by the
// current form on its first successful check.
//
// Checking derives the key on the calling thread (120000 rounds): callers are the few places a
// parent types the password, and a short wait there is intended.
class ParentalPasswordStore final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool hasPassword READ hasPassword NOTIFY hasPasswordChanged)

public:
    ParentalPasswordStore(std::unique_ptr<ParentalPasswordRepositoryProtocol> repository,
                          SecureStore& keychain, UserDefaults& defaults, QObject* parent = nullptr);

    enum class State
    {
        none,
        set,
        // A password was set here, yet the keychain cannot be read at the moment (a keyring that
        // is locked or not yet running). Never the same as none: nothing guarded may pass.
        unreadable
    };

    // As of the last look; a set or unreadable password both count.
    bool hasPassword() const { return m_hasPassword; }
    // Looks again (the keychain may have opened or closed since) and returns what it found.
    State refresh();
    const ParentalPasswordRepositoryProtocol& repository() const { return *m_repository; }

    // Stores a new password in place of any earlier one. Never fails visibly: a keychain that
    // refuses the write leaves the password unset on disk, yet hasPassword becomes true.
    void setupPassword(const QString& password);
    // True when `password` is the stored one. Changes nothing, except that a matching legacy
    // record is migrated to the current form.
    bool verify(const QString& password);

    // Set once a password has reached the keychain: a missing item is then an unreadable keychain.
    static inline const QString setMarkerKey = QStringLiteral("parentalPasswordSet");
    static inline const QString saltAccount = QStringLiteral("com.VantorelMac.parentalPasswordSalt");
    static inline const QString hashAccount = QStringLiteral("com.VantorelMac.parentalPasswordHash");
    static inline const QString versionAccount
        = QStringLiteral("com.VantorelMac.parentalPasswordHashVersion");
    static inline const QString versionTag = QStringLiteral("pbkdf2_sha256_v1");
    static constexpr int rounds = 120000;
    static constexpr int saltLength = 16;

    // 64 lower-case hex digits of PBKDF2-HMAC-SHA256 over the UTF-8 password; the salted
    // SHA-256 when the derivation is unavailable, so that setting and checking always agree.
    static QString pbkdf2Hash(const QString& password, const QByteArray& salt);
    // SHA-256 over the UTF-8 password followed by the salt, as 64 lower-case hex digits.
    static QString saltedSHA256(const QString& password, const QByteArray& salt);
    // Compares the UTF-8 bytes without stopping at the first difference.
    static bool constantTimeEquals(const QString& a, const QString& b);
    // The password as the legacy record kept it: its user-perceived characters in reverse order.
    static QString reversedByCharacters(const QString& text);

signals:
    void hasPasswordChanged();

private:
    std::optional<QByteArray> loadFromKeychain(const QString& account) const;
    bool saveToKeychain(const QString& account, const QByteArray& data);
    static QByteArray generateSalt();
    void setHasPassword(bool value);
    State look();

    std::unique_ptr<ParentalPasswordRepositoryProtocol> m_repository;
    SecureStore& m_keychain;
    UserDefaults& m_defaults;
    bool m_hasPassword = false;
};
