#include "ApiRoute.h"

#include "ApiError.h"
#include "Protocol/WireCoding.h"

#include <QJsonParseError>

using namespace Qt::StringLiterals;

QJsonObject RouteRequest::jsonObject() const
{
    if (WireCoding::nestedDeeperThan(body)) {
        throw ApiError::badRequest(
            u"invalid body: nested deeper than %1 levels"_s.arg(WireCoding::maximumDepth));
    }
    QJsonParseError error;
    const auto document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError) {
        throw ApiError::badRequest(
            u"malformed JSON: %1 at offset %2"_s.arg(error.errorString()).arg(error.offset));
    }
    if (!document.isObject()) {
        throw ApiError::badRequest(u"the body must be a JSON object"_s);
    }
    return document.object();
}

QString RouteRequest::requiredQuery(const QString& name) const
{
    auto value = optionalQuery(name);
    if (!value || value->isEmpty()) {
        throw ApiError::badRequest(u"the query parameter \"%1\" is required"_s.arg(name));
    }
    return *value;
}

QString RouteRequest::bearerTokenOf(const QByteArray& authorization)
{
    const auto value = authorization.trimmed();
    if (value.size() <= 7 || value.left(7).toLower() != "bearer ") {
        return {};
    }
    return QString::fromLatin1(value.mid(7).trimmed());
}

std::optional<QString> RouteRequest::optionalQuery(const QString& name) const
{
    if (!query.hasQueryItem(name)) {
        return std::nullopt;
    }
    return query.queryItemValue(name, QUrl::FullyDecoded);
}

bool ApiRoute::namesFamilyCode(const RouteRequest& request) const
{
    return familyCode == FamilyCode::InPath
        || (familyCode == FamilyCode::InQuery && request.query.hasQueryItem(u"familyCode"_s));
}

bool ApiRoute::matches(const QStringList& segments, QStringList* captures) const
{
    if (segments.size() != pattern.size()) {
        return false;
    }
    QStringList captured;
    for (qsizetype i = 0; i < segments.size(); ++i) {
        if (pattern.at(i) == u"{}"_s) {
            if (segments.at(i).isEmpty()) {
                return false;
            }
            captured.append(segments.at(i));
        } else if (pattern.at(i) != segments.at(i)) {
            return false;
        }
    }
    if (captures) {
        *captures = captured;
    }
    return true;
}
