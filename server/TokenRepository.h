#pragma once

#include <QString>

#include <optional>

class ServerDatabase;

// Device tokens, secured families and parent invitations as stored. Only SHA-256 hashes of the
// secrets reach the database, so a copy of it grants nothing.
class TokenRepository final
{
public:
    struct Caller
    {
        QString deviceId;
        QString familyId;
        QString role;
        bool familySecured = false;
    };
    // What deciding about a request to a device needs, in one query: the device's family and
    // the device whose token was presented, if any.
    struct DeviceAccess
    {
        QString familyId;
        bool hasToken = false;
        bool familySecured = false;
        std::optional<Caller> caller;
    };

    explicit TokenRepository(ServerDatabase& database);

    std::optional<Caller> callerByTokenHash(const QString& tokenHash);
    // `tokenHash` empty when no token was presented.
    std::optional<DeviceAccess> deviceAccess(const QString& deviceId, const QString& tokenHash);
    std::optional<QString> familyOfUnlockRequest(const QString& requestId);
    bool familySecured(const QString& familyId);
    void markFamilySecured(const QString& familyId, qint64 nowMs);
    void setTokenHash(const QString& deviceId, const QString& tokenHash);

    // Also forgets the family's expired invitations, so that they do not pile up.
    void addInvitation(const QString& familyId, const QString& codeHash, qint64 nowMs, qint64 expiresAtMs);
    // True for exactly one caller of a valid, unexpired code: the row goes in the same statement.
    bool consumeInvitation(const QString& familyId, const QString& codeHash, qint64 nowMs);

private:
    ServerDatabase& m_db;
};
