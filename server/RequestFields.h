#pragma once

#include <QJsonObject>
#include <QString>

#include <optional>

// Strict readers for members of a request body: a missing required member or a member of the wrong
// JSON type is a 400 naming the member, so that no half-understood request reaches a handler.
namespace RequestFields {

QString requiredString(const QJsonObject& object, const QString& key);
std::optional<QString> optionalString(const QJsonObject& object, const QString& key);
qint64 requiredInteger(const QJsonObject& object, const QString& key);
std::optional<qint64> optionalInteger(const QJsonObject& object, const QString& key);
bool requiredBoolean(const QJsonObject& object, const QString& key);
std::optional<bool> optionalBoolean(const QJsonObject& object, const QString& key);
QJsonObject requiredObject(const QJsonObject& object, const QString& key);

} // namespace RequestFields
