#include "DeviceAuth.h"

#include "ApiError.h"
#include "DeviceTokenCache.h"
#include "ServerTime.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

#include <array>

using namespace Qt::StringLiterals;

namespace {

// No I, L, O or U: a code read aloud or copied by hand survives the usual confusions.
constexpr char invitationAlphabet[] = "0123456789ABCDEFGHJKMNPQRSTVWXYZ";
constexpr int invitationLength = 10;

} // namespace

DeviceAuth::DeviceAuth(ServerDatabase& database, DeviceTokenCache* knownTokens)
    : m_tokens(database)
    , m_knownTokens(knownTokens)
{
}

QString DeviceAuth::hashOf(const QString& secret)
{
    return QString::fromLatin1(QCryptographicHash::hash(secret.toUtf8(), QCryptographicHash::Sha256).toHex());
}

QString DeviceAuth::normalizedInvitationCode(const QString& code)
{
    QString result;
    for (const auto c : code.toUpper()) {
        if (c == u'-' || c.isSpace()) {
            continue;
        }
        result += c == u'O' ? u'0' : (c == u'I' || c == u'L') ? u'1' : c;
    }
    return result;
}

QString DeviceAuth::issueToken(const QString& deviceId)
{
    std::array<quint32, 8> words {};
    QRandomGenerator::system()->fillRange(words.data(), words.size());
    const auto bytes = QByteArray(reinterpret_cast<const char*>(words.data()), sizeof(words));
    const auto token
        = QString::fromLatin1(bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
    m_tokens.setTokenHash(deviceId, hashOf(token));
    return token;
}

std::optional<TokenRepository::Caller> DeviceAuth::caller(const QString& token)
{
    if (token.isEmpty()) {
        return std::nullopt;
    }
    return securing(m_tokens.callerByTokenHash(hashOf(token)));
}

std::optional<TokenRepository::Caller> DeviceAuth::securing(std::optional<TokenRepository::Caller> who)
{
    if (who && who->role == u"parent"_s && !who->familySecured) {
        m_tokens.markFamilySecured(who->familyId, ServerTime::nowMs());
        who->familySecured = true;
    }
    return who;
}

bool DeviceAuth::isParentOf(const std::optional<TokenRepository::Caller>& who, const QString& familyId) const
{
    return who && who->familyId == familyId && who->role == u"parent"_s;
}

void DeviceAuth::refuse(const QString& token, const std::optional<TokenRepository::Caller>& who)
{
    if (token.isEmpty() || !who) {
        throw ApiError::tokenRequired();
    }
    throw ApiError::forbidden();
}

void DeviceAuth::requireParent(const QString& familyId, const QString& token)
{
    const auto who = caller(token);
    if (isParentOf(who, familyId) || !m_tokens.familySecured(familyId)) {
        return;
    }
    refuse(token, who);
}

QString DeviceAuth::hashOfToken(const QString& token)
{
    return token.isEmpty() ? QString() : hashOf(token);
}

void DeviceAuth::requireParentOfDevice(const QString& deviceId, const QString& token)
{
    const auto access = m_tokens.deviceAccess(deviceId, hashOfToken(token));
    if (!access) {
        return;
    }
    const auto who = securing(access->caller);
    if (isParentOf(who, access->familyId) || !access->familySecured) {
        return;
    }
    refuse(token, who);
}

void DeviceAuth::requireParentOfUnlockRequest(const QString& requestId, const QString& token)
{
    if (const auto familyId = m_tokens.familyOfUnlockRequest(requestId)) {
        requireParent(*familyId, token);
    }
}

void DeviceAuth::requireDeviceOrParent(const QString& deviceId, const QString& token)
{
    // The device, its family and the caller in one query: a child calls these every cycle. A
    // caller who secures this very family is its parent and let through below.
    const auto tokenHash = hashOfToken(token);
    if (m_knownTokens && !tokenHash.isEmpty() && m_knownTokens->belongsTo(tokenHash, deviceId)) {
        return;
    }
    const auto access = m_tokens.deviceAccess(deviceId, tokenHash);
    if (!access) {
        return;
    }
    const auto who = securing(access->caller);
    if (who && who->deviceId == deviceId) {
        if (m_knownTokens) {
            m_knownTokens->remember(tokenHash, deviceId);
        }
        return;
    }
    if (isParentOf(who, access->familyId)) {
        return;
    }
    if (!access->familySecured || (!access->hasToken && token.isEmpty())) {
        return;
    }
    refuse(token, who);
}

DeviceAuth::Invitation DeviceAuth::createInvitation(const QString& familyId, const QString& token)
{
    const auto who = caller(token);
    if (!isParentOf(who, familyId)) {
        refuse(token, who);
    }
    QString code;
    for (int i = 0; i < invitationLength; ++i) {
        code += QLatin1Char(invitationAlphabet[QRandomGenerator::system()->bounded(32)]);
    }
    const auto now = ServerTime::nowMs();
    const Invitation invitation { code.left(5) + u'-' + code.mid(5), now + invitationLifetimeMs };
    m_tokens.addInvitation(familyId, hashOf(code), now, invitation.expiresAtMs);
    return invitation;
}

void DeviceAuth::admitParent(const QString& familyId, const std::optional<QString>& invitationCode)
{
    if (!m_tokens.familySecured(familyId)) {
        return;
    }
    if (!invitationCode || invitationCode->trimmed().isEmpty()) {
        throw ApiError::invitationRequired();
    }
    const auto hash = hashOf(normalizedInvitationCode(*invitationCode));
    if (!m_tokens.consumeInvitation(familyId, hash, ServerTime::nowMs())) {
        throw ApiError::invitationInvalid();
    }
}
