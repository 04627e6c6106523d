#include "ApiRoutes.h"

#include "RequestFields.h"
#include "ServerHandlers.h"

#include <QJsonArray>

using namespace Qt::StringLiterals;
using Method = QHttpServerRequest::Method;
using namespace RequestFields;

namespace {

QStringList path(const QString& pattern)
{
    return pattern.split(u'/');
}

QJsonObject deviceItem(const FamilyRepository::Device& device)
{
    return { { u"id"_s, device.id }, { u"name"_s, device.name }, { u"role"_s, device.role } };
}

void addFamilyRoutes(QList<ApiRoute>& routes, FamilyHandler& families)
{
    routes.append(
        { Method::Post, path(u"api/v1/families"_s), [&families](const RouteRequest& request) {
             // The client sends no body; one that is sent must still be JSON.
             if (!request.body.trimmed().isEmpty()) {
                 request.jsonObject();
             }
             const auto family = families.createFamily();
             return ApiReply::json({ { u"familyId"_s, family.id }, { u"familyCode"_s, family.code } }, 201);
         } });
    routes.append(
        { Method::Post, path(u"api/v1/families/{}/devices"_s), [&families](const RouteRequest& request) {
             const auto body = request.jsonObject();
             const auto role = requiredString(body, u"role"_s);
             const auto name = requiredString(body, u"name"_s);
             const auto device = families.registerDevice(request.captures.at(0), role, name);
             return ApiReply::json({ { u"deviceId"_s, device.id },
                                     { u"role"_s, device.role },
                                     { u"familyId"_s, device.familyId } },
                                   201);
         } });
    routes.append(
        { Method::Get, path(u"api/v1/families/{}/devices"_s), [&families](const RouteRequest& request) {
             QJsonArray items;
             for (const auto& device : families.devices(request.captures.at(0))) {
                 items.append(deviceItem(device));
             }
             return ApiReply::json({ { u"devices"_s, items } });
         } });
    routes.append({ Method::Patch, path(u"api/v1/devices/{}"_s), [&families](const RouteRequest& request) {
                       const auto name = requiredString(request.jsonObject(), u"name"_s);
                       return ApiReply::json(deviceItem(families.renameDevice(
                           request.captures.at(0), request.requiredQuery(u"familyCode"_s), name)));
                   } });
    routes.append({ Method::Delete, path(u"api/v1/devices/{}"_s), [&families](const RouteRequest& request) {
                       families.deleteDevice(request.captures.at(0), request.requiredQuery(u"familyCode"_s));
                       return ApiReply::noContent();
                   } });
}

void addPublicRoutes(QList<ApiRoute>& routes, PublicHandler& publicInfo)
{
    routes.append(
        { Method::Get, path(u"api/v1/public/app-display-info"_s),
          [&publicInfo](const RouteRequest&) { return ApiReply::json(publicInfo.displayInfo()); } });
    routes.append({ Method::Post, path(u"api/v1/feedbacks"_s), [&publicInfo](const RouteRequest& request) {
                       const auto body = request.jsonObject();
                       FeedbackRepository::Feedback feedback {
                           requiredString(body, u"platform"_s),  requiredString(body, u"category"_s),
                           requiredString(body, u"content"_s),   requiredString(body, u"appVersion"_s),
                           requiredString(body, u"osVersion"_s), optionalString(body, u"deviceId"_s),
                           optionalString(body, u"familyId"_s),  optionalString(body, u"contact"_s),
                       };
                       return ApiReply::json({ { u"id"_s, publicInfo.submitFeedback(feedback) } }, 201);
                   } });
}

} // namespace

namespace ApiRoutes {

QList<ApiRoute> build(ServerHandlers& handlers)
{
    QList<ApiRoute> routes;
    addFamilyRoutes(routes, handlers.families);
    addPublicRoutes(routes, handlers.publicInfo);
    return routes;
}

} // namespace ApiRoutes
