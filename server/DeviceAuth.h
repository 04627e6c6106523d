#pragma once

#include "TokenRepository.h"

class DeviceTokenCache;

#include <QString>

#include <optional>

// Who may do what in a family. A family that never saw a parent's token answers everyone who
// holds its code, exactly as the plain wire form describes. Once one of its parent computers has
// presented its token the family is secured: its rules, decisions and lists need a parent token of
// the family, a device's own endpoints need that device's token (or a parent's), and another
// parent computer joins only with a one-time invitation. The refusals are ApiErrors.
class DeviceAuth final
{
public:
    struct Invitation
    {
        QString code;
        qint64 expiresAtMs = 0;
    };

    // `knownTokens`, when given, spares a device's own requests the look-up of its token.
    explicit DeviceAuth(ServerDatabase& database, DeviceTokenCache* knownTokens = nullptr);

    // A fresh token for the device; only its hash is kept. Shown once, in the registration answer.
    QString issueToken(const QString& deviceId);

    // Rules, decisions, device and request lists, health reads: a parent of the family, once the
    // family is secured.
    void requireParent(const QString& familyId, const QString& token);
    // The same for the family of a device or of an unlock request; an unknown one is left to the
    // handler's own "not found".
    void requireParentOfDevice(const QString& deviceId, const QString& token);
    void requireParentOfUnlockRequest(const QString& requestId, const QString& token);
    // A device's own endpoints: the device itself or a parent of its family, once the family is
    // secured. A device registered before tokens existed has none to show and is let through.
    void requireDeviceOrParent(const QString& deviceId, const QString& token);

    // Invitations are a parent's act whether or not the family is secured yet.
    Invitation createInvitation(const QString& familyId, const QString& token);
    // A parent computer joining: free in an unsecured family, else it spends an invitation.
    void admitParent(const QString& familyId, const std::optional<QString>& invitationCode);

    static constexpr qint64 invitationLifetimeMs = 15 * 60 * 1000;
    static QString hashOf(const QString& secret);
    // Upper case, without the blanks and dashes a person may type, with the letters that look
    // like digits read as those digits.
    static QString normalizedInvitationCode(const QString& code);

private:
    // The token's device; presenting a parent's token secures its family.
    std::optional<TokenRepository::Caller> caller(const QString& token);
    std::optional<TokenRepository::Caller> securing(std::optional<TokenRepository::Caller> who);
    static QString hashOfToken(const QString& token);
    bool isParentOf(const std::optional<TokenRepository::Caller>& who, const QString& familyId) const;
    [[noreturn]] static void refuse(const QString& token, const std::optional<TokenRepository::Caller>& who);

    TokenRepository m_tokens;
    DeviceTokenCache* m_knownTokens;
};
