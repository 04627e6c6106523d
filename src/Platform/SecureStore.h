#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The user's keychain: generic-password items told apart by their account name alone, readable
// only by this user on this device. Every operation completes before it returns.
class SecureStore
{
public:
    virtual ~SecureStore();

    // The item's bytes, or nothing when it is missing or cannot be read.
    virtual std::optional<QByteArray> copy(const QString& account) const = 0;
    // True when an item was deleted.
    virtual bool remove(const QString& account) = 0;
    // Adds a new item; fails when one with that account already exists (callers delete first).
    virtual bool add(const QString& account, const QByteArray& data) = 0;
};
