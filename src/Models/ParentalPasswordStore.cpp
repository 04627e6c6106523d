#include "Models/ParentalPasswordStore.h"

#include "Platform/SecureStore.h"
#include "Platform/UserDefaults.h"

#include <QCryptographicHash>
#include <QList>
#include <QPasswordDigestor>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <QTextBoundaryFinder>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {
constexpr int kDigestLength = 32;

std::optional<QString> decodeUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        return std::nullopt;
    }
    return text;
}
} // namespace

ParentalPasswordStore::ParentalPasswordStore(std::unique_ptr<ParentalPasswordRepositoryProtocol> repository,
                                             SecureStore& keychain, UserDefaults& defaults, QObject* parent)
    : QObject(parent)
    , m_repository(std::move(repository))
    , m_keychain(keychain)
    , m_defaults(defaults)
{
    m_hasPassword = look() != State::none;
}

ParentalPasswordStore::State ParentalPasswordStore::look()
{
    if (loadFromKeychain(hashAccount)) {
        // Passwords set before the marker existed.
        if (!m_defaults.boolean(setMarkerKey).value_or(false)) {
            m_defaults.setBoolean(setMarkerKey, true);
        }
        return State::set;
    }
    if (m_defaults.string(m_repository->storageKey())) {
        return State::set;
    }
    return m_defaults.boolean(setMarkerKey).value_or(false) ? State::unreadable : State::none;
}

ParentalPasswordStore::State ParentalPasswordStore::refresh()
{
    const State state = look();
    if ((state != State::none) != m_hasPassword) {
        setHasPassword(state != State::none);
    }
    return state;
}

void ParentalPasswordStore::setHasPassword(bool value)
{
    m_hasPassword = value;
    emit hasPasswordChanged();
}

void ParentalPasswordStore::setupPassword(const QString& password)
{
    const QByteArray salt = generateSalt();
    const QString digest = pbkdf2Hash(password, salt);
    const bool saved = saveToKeychain(saltAccount, salt) && saveToKeychain(hashAccount, digest.toUtf8())
        && saveToKeychain(versionAccount, versionTag.toUtf8());
    if (saved) {
        m_defaults.setBoolean(setMarkerKey, true);
    }
    m_defaults.removeObject(m_repository->storageKey());
    setHasPassword(true);
}

bool ParentalPasswordStore::verify(const QString& password)
{
    if (const auto salt = loadFromKeychain(saltAccount)) {
        if (const auto hashBytes = loadFromKeychain(hashAccount)) {
            if (const auto storedDigest = decodeUtf8(*hashBytes)) {
                const QString version
                    = decodeUtf8(loadFromKeychain(versionAccount).value_or(QByteArray())).value_or(QString());
                if (version != versionTag) {
                    return false;
                }
                return constantTimeEquals(*storedDigest, pbkdf2Hash(password, *salt));
            }
        }
    }

    const auto legacy = m_defaults.string(m_repository->storageKey());
    if (!legacy || *legacy != reversedByCharacters(password)) {
        return false;
    }
    setupPassword(password);
    return true;
}

std::optional<QByteArray> ParentalPasswordStore::loadFromKeychain(const QString& account) const
{
    return m_keychain.copy(account);
}

bool ParentalPasswordStore::saveToKeychain(const QString& account, const QByteArray& data)
{
    m_keychain.remove(account);
    return m_keychain.add(account, data);
}

QByteArray ParentalPasswordStore::generateSalt()
{
    QByteArray salt(saltLength, '\0');
    QRandomGenerator::system()->generate(salt.begin(), salt.end());
    return salt;
}

QString ParentalPasswordStore::pbkdf2Hash(const QString& password, const QByteArray& salt)
{
    const QByteArray key = QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256, password.toUtf8(),
                                                              salt, rounds, kDigestLength);
    if (key.size() != kDigestLength) {
        return saltedSHA256(password, salt);
    }
    return QString::fromLatin1(key.toHex());
}

QString ParentalPasswordStore::saltedSHA256(const QString& password, const QByteArray& salt)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(password.toUtf8());
    hash.addData(salt);
    return QString::fromLatin1(hash.result().toHex());
}

bool ParentalPasswordStore::constantTimeEquals(const QString& a, const QString& b)
{
    const QByteArray left = a.toUtf8();
    const QByteArray right = b.toUtf8();
    if (left.size() != right.size()) {
        return false;
    }
    unsigned char accumulator = 0;
    for (qsizetype i = 0; i < left.size(); ++i) {
        accumulator |= static_cast<unsigned char>(left[i] ^ right[i]);
    }
    return accumulator == 0;
}

QString ParentalPasswordStore::reversedByCharacters(const QString& text)
{
    QList<QStringView> clusters;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    while (finder.toNextBoundary() != -1) {
        const qsizetype end = finder.position();
        clusters.append(QStringView(text).mid(start, end - start));
        start = end;
    }
    QString reversed;
    reversed.reserve(text.size());
    std::for_each(clusters.crbegin(), clusters.crend(), [&](QStringView cluster) { reversed += cluster; });
    return reversed;
}
