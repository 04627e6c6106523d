#pragma once

#include "Platform/SecureStore.h"

#include <chrono>

// The Secret Service keyring (GNOME Keyring, KWallet, KeePassXC …) through QtKeychain.
//
// QtKeychain jobs finish asynchronously; each operation here starts one job and waits for it in a
// local event loop, so that the store keeps the synchronous shape the password logic needs. A
// job that does not finish within the time-out (a keyring unlock prompt nobody answers) counts
// as a failure and is left to delete itself when it ends.
class KeychainSecureStore final : public SecureStore
{
public:
    static constexpr std::chrono::milliseconds defaultTimeout { std::chrono::seconds(60) };

    explicit KeychainSecureStore(QString service, std::chrono::milliseconds timeout = defaultTimeout);

    std::optional<QByteArray> copy(const QString& account) const override;
    bool remove(const QString& account) override;
    bool add(const QString& account, const QByteArray& data) override;

    // QtKeychain does not say reliably whether a keyring works (with no service running, a failed
    // write can later read back as "not found"), so this writes a random item, reads it back and
    // deletes it. True only when all three steps succeed and the bytes round-trip.
    bool probe();

private:
    QString m_service;
    std::chrono::milliseconds m_timeout;
};
