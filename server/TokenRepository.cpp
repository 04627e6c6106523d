#include "TokenRepository.h"

#include "ServerDatabase.h"

using namespace Qt::StringLiterals;

TokenRepository::TokenRepository(ServerDatabase& database)
    : m_db(database)
{
}

std::optional<TokenRepository::Caller> TokenRepository::callerByTokenHash(const QString& tokenHash)
{
    auto& query = m_db.exec(u"SELECT d.id, d.family_id, d.role, f.secured_at FROM devices d "
                            "JOIN families f ON f.id = d.family_id WHERE d.token_hash = ?"_s,
                            { tokenHash });
    if (!query.next()) {
        return std::nullopt;
    }
    return Caller { query.value(0).toString(), query.value(1).toString(), query.value(2).toString(),
                    !query.value(3).isNull() };
}

std::optional<TokenRepository::DeviceAccess> TokenRepository::deviceAccess(const QString& deviceId,
                                                                           const QString& tokenHash)
{
    auto& query = m_db.exec(
        u"SELECT d.family_id, d.token_hash, f.secured_at, c.id, c.family_id, c.role, cf.secured_at "
        "FROM devices d JOIN families f ON f.id = d.family_id "
        "LEFT JOIN devices c ON c.token_hash = ? LEFT JOIN families cf ON cf.id = c.family_id "
        "WHERE d.id = ?"_s,
        { tokenHash.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(tokenHash), deviceId });
    if (!query.next()) {
        return std::nullopt;
    }
    DeviceAccess access { query.value(0).toString(), !query.value(1).isNull(), !query.value(2).isNull(), {} };
    if (!query.value(3).isNull()) {
        access.caller = Caller { query.value(3).toString(), query.value(4).toString(),
                                 query.value(5).toString(), !query.value(6).isNull() };
    }
    return access;
}

std::optional<QString> TokenRepository::familyOfUnlockRequest(const QString& requestId)
{
    auto& query = m_db.exec(u"SELECT family_id FROM unlock_requests WHERE id = ?"_s, { requestId });
    if (!query.next()) {
        return std::nullopt;
    }
    return query.value(0).toString();
}

bool TokenRepository::familySecured(const QString& familyId)
{
    auto& query = m_db.exec(u"SELECT secured_at FROM families WHERE id = ?"_s, { familyId });
    return query.next() && !query.value(0).isNull();
}

void TokenRepository::markFamilySecured(const QString& familyId, qint64 nowMs)
{
    m_db.exec(u"UPDATE families SET secured_at = ? WHERE id = ? AND secured_at IS NULL"_s,
              { nowMs, familyId });
}

void TokenRepository::setTokenHash(const QString& deviceId, const QString& tokenHash)
{
    m_db.exec(u"UPDATE devices SET token_hash = ? WHERE id = ?"_s, { tokenHash, deviceId });
}

void TokenRepository::addInvitation(const QString& familyId, const QString& codeHash, qint64 nowMs,
                                    qint64 expiresAtMs)
{
    m_db.transaction([&] {
        m_db.exec(u"DELETE FROM parent_invitations WHERE family_id = ? AND expires_at <= ?"_s,
                  { familyId, nowMs });
        m_db.exec(u"INSERT INTO parent_invitations (code_hash, family_id, expires_at, created_at) "
                  "VALUES (?, ?, ?, ?)"_s,
                  { codeHash, familyId, expiresAtMs, nowMs });
    });
}

bool TokenRepository::consumeInvitation(const QString& familyId, const QString& codeHash, qint64 nowMs)
{
    auto& query = m_db.exec(
        u"DELETE FROM parent_invitations WHERE code_hash = ? AND family_id = ? AND expires_at > ?"_s,
        { codeHash, familyId, nowMs });
    return query.numRowsAffected() == 1;
}
