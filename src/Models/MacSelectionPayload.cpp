#include "Models/MacSelectionPayload.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::StringLiterals;

namespace {

std::optional<QStringList> stringArray(const QJsonValue& value)
{
    if (!value.isArray()) {
        return std::nullopt;
    }
    QStringList strings;
    for (const auto& element : value.toArray()) {
        if (!element.isString()) {
            return std::nullopt;
        }
        strings.append(element.toString());
    }
    return strings;
}

} // namespace

QByteArray MacSelectionPayload::toJson() const
{
    const QJsonObject object {
        { u"bundleIds"_s, QJsonArray::fromStringList(bundleIds) },
        { u"processes"_s, QJsonArray::fromStringList(processes) },
        { u"paths"_s, QJsonArray::fromStringList(paths) },
        { u"source"_s, source },
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<MacSelectionPayload> MacSelectionPayload::fromJson(const QByteArray& json)
{
    QJsonParseError error;
    const auto document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        return std::nullopt;
    }
    const auto object = document.object();
    const auto bundleIds = stringArray(object.value(u"bundleIds"_s));
    const auto processes = stringArray(object.value(u"processes"_s));
    const auto paths = stringArray(object.value(u"paths"_s));
    const auto source = object.value(u"source"_s);
    if (!bundleIds || !processes || !paths || !source.isString()) {
        return std::nullopt;
    }
    return MacSelectionPayload { *bundleIds, *processes, *paths, source.toString() };
}
