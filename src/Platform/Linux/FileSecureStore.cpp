#include "Platform/Linux/FileSecureStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSaveFile>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

FileSecureStore::FileSecureStore(QString filePath)
    : m_filePath(std::move(filePath))
{
}

QString FileSecureStore::defaultFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + u"/vantorel/secure-store.json"_s;
}

std::optional<QJsonObject> FileSecureStore::read() const
{
    QFile file(m_filePath);
    if (!file.exists()) {
        return QJsonObject();
    }
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        return std::nullopt;
    }
    return document.object();
}

QJsonObject FileSecureStore::readOrKeepDamaged()
{
    if (auto items = read()) {
        return *items;
    }
    const QString kept = m_filePath + u".damaged"_s;
    QFile::remove(kept);
    QFile::copy(m_filePath, kept);
    return {};
}

bool FileSecureStore::write(const QJsonObject& items)
{
    const QFileInfo info(m_filePath);
    QDir directory = info.absoluteDir();
    if (!directory.exists()) {
        if (!directory.mkpath(u"."_s)) {
            return false;
        }
        QFile::setPermissions(directory.absolutePath(),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    QSaveFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    // Restricted before the first byte is written, so the secret is never readable by others.
    if (!file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        file.cancelWriting();
        return false;
    }
    const QByteArray bytes = QJsonDocument(items).toJson(QJsonDocument::Compact);
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

std::optional<QByteArray> FileSecureStore::copy(const QString& account) const
{
    const auto items = read();
    if (!items) {
        return std::nullopt;
    }
    const QJsonValue value = items->value(account);
    if (!value.isString()) {
        return std::nullopt;
    }
    auto decoded = QByteArray::fromBase64Encoding(value.toString().toLatin1(),
                                                  QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded) {
        return std::nullopt;
    }
    return *decoded;
}

bool FileSecureStore::remove(const QString& account)
{
    auto items = read();
    if (!items || !items->contains(account)) {
        return false;
    }
    items->remove(account);
    return write(*items);
}

bool FileSecureStore::add(const QString& account, const QByteArray& data)
{
    QJsonObject items = readOrKeepDamaged();
    if (items.contains(account)) {
        return false;
    }
    items.insert(account, QString::fromLatin1(data.toBase64()));
    return write(items);
}
