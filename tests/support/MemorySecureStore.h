#pragma once

#include "Platform/SecureStore.h"

#include <QHash>
#include <QSet>

// A keychain held in memory. Accounts can be made to fail, as a locked or broken keychain would.
class MemorySecureStore final : public SecureStore
{
public:
    MemorySecureStore() = default;
    Q_DISABLE_COPY_MOVE(MemorySecureStore)

    std::optional<QByteArray> copy(const QString& account) const override;
    bool remove(const QString& account) override;
    bool add(const QString& account, const QByteArray& data) override;

    bool contains(const QString& account) const { return m_items.contains(account); }
    // Every read and write of `account` fails from now on.
    void failAccount(const QString& account) { m_failing.insert(account); }
    // Every account works again, as a keyring that has been unlocked.
    void reopen() { m_failing.clear(); }
    void clear() { m_items.clear(); }

private:
    QHash<QString, QByteArray> m_items;
    QSet<QString> m_failing;
};
