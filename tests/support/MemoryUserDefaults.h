#pragma once

#include "Platform/UserDefaults.h"

#include <QHash>
#include <QMutex>

// UserDefaults held in memory, with a write counter for tests that care how often a key is
// written. Installs itself as the standard store for its lifetime when asked to.
class MemoryUserDefaults final : public UserDefaults
{
public:
    enum class Install
    {
        No,
        AsStandard
    };

    explicit MemoryUserDefaults(Install install = Install::AsStandard);
    ~MemoryUserDefaults() override;
    Q_DISABLE_COPY_MOVE(MemoryUserDefaults)

    QVariant object(const QString& key) const override;
    void setObject(const QString& key, const QVariant& value) override;
    void removeObject(const QString& key) override;

    // Stores a value exactly as given, bypassing normalisation: how tests plant a value of a
    // foreign type or a damaged one.
    void plantRaw(const QString& key, const QVariant& value);
    int writeCount(const QString& key) const;
    bool contains(const QString& key) const;
    void clear();

private:
    mutable QMutex m_mutex;
    QHash<QString, QVariant> m_values;
    QHash<QString, int> m_writes;
    bool m_installed = false;
};
