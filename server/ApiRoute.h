#pragma once

#include <QByteArray>
#include <QHttpServerRequest>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <QUrlQuery>

#include <functional>
#include <optional>

// What a route answers: a status and, unless the status says there is none, a JSON body.
struct ApiReply
{
    int status = 200;
    std::optional<QJsonDocument> body;

    static ApiReply json(const QJsonObject& object, int status = 200)
    {
        return { status, QJsonDocument(object) };
    }
    static ApiReply noContent() { return { 204, std::nullopt }; }
};

// One request as a route sees it: the path segments its pattern captured, the query, the body.
struct RouteRequest
{
    QStringList captures;
    QUrlQuery query;
    QByteArray body;
    // The device token of "Authorization: Bearer <token>"; empty when none was sent.
    QString bearerToken;

    // The body as a JSON object; anything else is a 400 with a reason.
    QJsonObject jsonObject() const;
    // A query item that must be present (and non-empty); otherwise a 400 naming it.
    QString requiredQuery(const QString& name) const;
    std::optional<QString> optionalQuery(const QString& name) const;

    // The token of an Authorization header value; empty for any other scheme or a malformed one.
    static QString bearerTokenOf(const QByteArray& authorization);
};

// A method and a path pattern ("api", "v1", "devices", "{}", "policy"), with the function that
// parses the request, calls a handler and shapes its answer.
struct ApiRoute
{
    // Where a route's request names a family code, if it does: such requests are counted against
    // the guessing budgets.
    enum class FamilyCode
    {
        None,
        InPath,
        // Only when the request has the "familyCode" query item.
        InQuery
    };

    QHttpServerRequest::Method method;
    QStringList pattern;
    std::function<ApiReply(const RouteRequest&)> run;
    FamilyCode familyCode = FamilyCode::None;

    bool namesFamilyCode(const RouteRequest& request) const;

    bool matches(const QStringList& segments, QStringList* captures) const;
};
