// The reading of the release catalogue, apart from the update flow, so that it can be fuzzed on
// its own.
#include "App/MacAppUpdate.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QVariant>

#include <cmath>

using namespace Qt::StringLiterals;

namespace MacAppUpdate {
namespace {

// A JSON number that is an integer and fits 64 bits; 3.0 counts, 3.5 and strings do not.
std::optional<qint64> jsonInteger(const QJsonValue& value)
{
    if (!value.isDouble()) {
        return std::nullopt;
    }
    const QVariant variant = value.toVariant();
    if (variant.typeId() == QMetaType::LongLong || variant.typeId() == QMetaType::Int) {
        return variant.toLongLong();
    }
    const double number = value.toDouble();
    if (number != std::floor(number) || number < -9.2233720368547758e18 || number >= 9.2233720368547758e18) {
        return std::nullopt;
    }
    return static_cast<qint64>(number);
}

} // namespace

std::optional<ReleaseItem> parseCatalog(const QByteArray& body)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        return std::nullopt;
    }
    const QJsonValue mac = document.object().value(u"mac"_s);
    if (!mac.isObject()) {
        return std::nullopt;
    }
    const QJsonObject entry = mac.toObject();
    const std::optional<qint64> build = jsonInteger(entry.value(u"build"_s));
    const QJsonValue version = entry.value(u"version"_s);
    const QJsonValue url = entry.value(u"url"_s);
    if (!build || !version.isString() || !url.isString()) {
        return std::nullopt;
    }
    if (*build < 1 || url.toString().isEmpty()) {
        return std::nullopt;
    }
    return ReleaseItem { version.toString(), *build, url.toString() };
}

} // namespace MacAppUpdate
