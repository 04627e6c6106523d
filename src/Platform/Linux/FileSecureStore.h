#pragma once

#include "Platform/SecureStore.h"

#include <QJsonObject>

// The keychain where no Secret Service works: one JSON file of base64 items, readable and
// writable by its owner only (0600, in a 0700 folder), replaced atomically on every change.
// An unreadable file reads as empty; before it is replaced its bytes are kept beside it
// (".damaged"), so nothing is lost silently.
class FileSecureStore final : public SecureStore
{
public:
    explicit FileSecureStore(QString filePath);

    std::optional<QByteArray> copy(const QString& account) const override;
    bool remove(const QString& account) override;
    bool add(const QString& account, const QByteArray& data) override;

    QString filePath() const { return m_filePath; }

    // ~/.config/vantorel/secure-store.json
    static QString defaultFilePath();

private:
    std::optional<QJsonObject> read() const;
    QJsonObject readOrKeepDamaged();
    bool write(const QJsonObject& items);

    QString m_filePath;
};
