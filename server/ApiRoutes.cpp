#include "ApiRoutes.h"

#include "ApiError.h"
#include "Protocol/DeviceRecords.h"
#include "Protocol/FamilyRecords.h"
#include "Protocol/UsageRecords.h"
#include "Protocol/WireCoding.h"
#include "ServerHandlers.h"
#include "ServerTime.h"

using namespace Qt::StringLiterals;
using Method = QHttpServerRequest::Method;
using FamilyCode = ApiRoute::FamilyCode;

namespace {

QStringList path(const QString& pattern)
{
    return pattern.split(u'/');
}

// The body read strictly as the record `T`; whatever does not fit is a 400 naming the member.
template <typename T> T body(const RouteRequest& request)
{
    try {
        return WireCoding::decodeDocument<T>(request.body);
    } catch (const DecodingError& error) {
        const auto where = error.codingPath().isEmpty() ? QString() : u"\"%1\": "_s.arg(error.codingPath());
        throw ApiError::badRequest(u"invalid body: "_s + where + error.description());
    }
}

DeviceListItem listItem(const FamilyRepository::Device& device)
{
    return { device.id, device.name, device.role };
}

QJsonObject policyResponse(const QString& deviceId, const UpsertPolicyPayload& stored)
{
    return DevicePolicyResponse { deviceId, stored.policy, {} }.toJson(stored.selection);
}

QJsonObject todayResponse(const UsageHandler::Today& today)
{
    auto object = TodayUsageResponse { today.todayUsageSeconds }.toJson();
    object.insert(u"usageDate"_s, today.usageDate);
    return object;
}

void addFamilyRoutes(QList<ApiRoute>& routes, FamilyHandler& families, DeviceAuth& auth)
{
    routes.append({ Method::Post, path(u"api/v1/families"_s), [&families](const RouteRequest& request) {
                       // The client sends no body; one that is sent must still be a JSON object.
                       if (!request.body.trimmed().isEmpty()) {
                           request.jsonObject();
                       }
                       const auto family = families.createFamily();
                       return ApiReply::json(CreateFamilyResponse { family.id, family.code }.toJson(), 201);
                   } });
    routes.append(
        { Method::Post, path(u"api/v1/families/{}/devices"_s),
          [&families, &auth](const RouteRequest& request) {
              const auto payload = body<RegisterDevicePayload>(request);
              const auto family = families.existingFamily(request.captures.at(0));
              if (payload.role == u"parent"_s) {
                  auth.admitParent(family.id, payload.invitationCode);
              }
              const auto device = families.registerDevice(request.captures.at(0), payload.role, payload.name);
              const auto token = auth.issueToken(device.id);
              return ApiReply::json(
                  RegisterDeviceResponse { device.id, device.role, device.familyId, token }.toJson(), 201);
          },
          FamilyCode::InPath });
    routes.append({ Method::Get, path(u"api/v1/families/{}/devices"_s),
                    [&families, &auth](const RouteRequest& request) {
                        const auto& code = request.captures.at(0);
                        auth.requireParent(families.existingFamily(code).id, request.bearerToken);
                        ListDevicesResponse response;
                        for (const auto& device : families.devices(code)) {
                            response.devices.append(listItem(device));
                        }
                        return ApiReply::json(response.toJson());
                    },
                    FamilyCode::InPath });
    // A computer's own record: a child learns from it the role the family gave it, or that it
    // was removed, with its own token in a family whose device list only parents may read.
    routes.append({ Method::Get, path(u"api/v1/devices/{}"_s),
                    [&families, &auth](const RouteRequest& request) {
                        const auto& deviceId = request.captures.at(0);
                        auth.requireDeviceOrParent(deviceId, request.bearerToken);
                        const auto family = families.existingFamily(request.requiredQuery(u"familyCode"_s));
                        // Removed from its own family: said as such, so that the computer stops.
                        const auto device = families.existingDevice(deviceId);
                        if (device.familyId != family.id) {
                            throw ApiError::familyNotFound();
                        }
                        return ApiReply::json(listItem(device).toJson());
                    },
                    FamilyCode::InQuery });
    routes.append({ Method::Patch, path(u"api/v1/devices/{}"_s),
                    [&families, &auth](const RouteRequest& request) {
                        const auto payload = body<RenameDevicePayload>(request);
                        const auto code = request.requiredQuery(u"familyCode"_s);
                        auth.requireParent(families.existingFamily(code).id, request.bearerToken);
                        const auto device = families.renameDevice(request.captures.at(0), code, payload.name);
                        return ApiReply::json(listItem(device).toJson());
                    },
                    FamilyCode::InQuery });
    routes.append({ Method::Delete, path(u"api/v1/devices/{}"_s),
                    [&families, &auth](const RouteRequest& request) {
                        const auto code = request.requiredQuery(u"familyCode"_s);
                        auth.requireParent(families.existingFamily(code).id, request.bearerToken);
                        families.deleteDevice(request.captures.at(0), code);
                        return ApiReply::noContent();
                    },
                    FamilyCode::InQuery });
    routes.append(
        { Method::Post, path(u"api/v1/families/{}/parent-invitations"_s),
          [&families, &auth](const RouteRequest& request) {
              const auto family = families.existingFamily(request.captures.at(0));
              const auto invitation = auth.createInvitation(family.id, request.bearerToken);
              return ApiReply::json(
                  ParentInvitationResponse { invitation.code, ServerTime::format(invitation.expiresAtMs) }
                      .toJson(),
                  201);
          },
          FamilyCode::InPath });
}

void addPolicyAndUsageRoutes(QList<ApiRoute>& routes, PolicyHandler& policies, UsageHandler& usage,
                             DeviceAuth& auth)
{
    routes.append(
        { Method::Get, path(u"api/v1/devices/{}/policy"_s), [&policies, &auth](const RouteRequest& request) {
             const auto& deviceId = request.captures.at(0);
             auth.requireDeviceOrParent(deviceId, request.bearerToken);
             return ApiReply::json(policyResponse(deviceId, policies.policy(deviceId)));
         } });
    routes.append(
        { Method::Put, path(u"api/v1/devices/{}/policy"_s), [&policies, &auth](const RouteRequest& request) {
             const auto& deviceId = request.captures.at(0);
             auth.requireParentOfDevice(deviceId, request.bearerToken);
             const auto stored = policies.putPolicy(deviceId, body<UpsertPolicyPayload>(request));
             return ApiReply::json(policyResponse(deviceId, stored));
         } });
    routes.append({ Method::Get, path(u"api/v1/devices/{}/usage/today"_s),
                    [&usage, &auth](const RouteRequest& request) {
                        auth.requireDeviceOrParent(request.captures.at(0), request.bearerToken);
                        return ApiReply::json(todayResponse(usage.todayUsage(request.captures.at(0))));
                    } });
    routes.append({ Method::Put, path(u"api/v1/devices/{}/usage/today"_s),
                    [&usage, &auth](const RouteRequest& request) {
                        auth.requireDeviceOrParent(request.captures.at(0), request.bearerToken);
                        const auto payload = body<TodayUsagePayload>(request);
                        const auto sampledAt = payload.sampledAt
                            ? std::optional<QString>(WireCoding::formatISO8601(*payload.sampledAt))
                            : std::nullopt;
                        return ApiReply::json(todayResponse(usage.reportTodayUsage(
                            request.captures.at(0), payload.todayUsageSeconds, sampledAt)));
                    } });
    routes.append({ Method::Post, path(u"api/v1/devices/{}/usage/sessions"_s),
                    [&usage, &auth](const RouteRequest& request) {
                        auth.requireDeviceOrParent(request.captures.at(0), request.bearerToken);
                        const auto payload = body<UsageSessionsPayload>(request);
                        QList<UsageSessionPayload> sessions;
                        try {
                            sessions = payload.sessionRecords();
                        } catch (const DecodingError& error) {
                            throw ApiError::badRequest(
                                u"invalid body: \"%1\": %2"_s.arg(error.codingPath(), error.description()));
                        }
                        const auto written = usage.upsertSessions(request.captures.at(0), payload.usageDate,
                                                                  payload.source, sessions);
                        return ApiReply::json({ { u"upserted"_s, written } });
                    } });
}

void addHealthRoutes(QList<ApiRoute>& routes, HealthHandler& health, FamilyHandler& families,
                     DeviceAuth& auth)
{
    routes.append(
        { Method::Put, path(u"api/v1/devices/{}/health"_s), [&health, &auth](const RouteRequest& request) {
             auth.requireDeviceOrParent(request.captures.at(0), request.bearerToken);
             const auto payload = body<PutDeviceHealthPayload>(request);
             return ApiReply::json(health.putHealth(request.captures.at(0), payload).toJson());
         } });
    routes.append({ Method::Get, path(u"api/v1/devices/{}/health"_s),
                    [&health, &families, &auth](const RouteRequest& request) {
                        const auto code = request.requiredQuery(u"familyCode"_s);
                        auth.requireParent(families.existingFamily(code).id, request.bearerToken);
                        return ApiReply::json(health.health(request.captures.at(0), code).toJson());
                    },
                    FamilyCode::InQuery });
}

void addUnlockRoutes(QList<ApiRoute>& routes, UnlockRequestHandler& unlock, FamilyHandler& families,
                     DeviceAuth& auth)
{
    routes.append({ Method::Post, path(u"api/v1/devices/{}/unlock-requests"_s),
                    [&unlock, &auth](const RouteRequest& request) {
                        auth.requireDeviceOrParent(request.captures.at(0), request.bearerToken);
                        const auto payload = body<UnlockRequestPayload>(request);
                        return ApiReply::json(unlock.requestUnlock(request.captures.at(0), payload).toJson(),
                                              201);
                    } });
    routes.append(
        { Method::Get, path(u"api/v1/devices/{}/unlock-requests"_s),
          [&unlock, &auth](const RouteRequest& request) {
              auth.requireDeviceOrParent(request.captures.at(0), request.bearerToken);
              return ApiReply::json(
                  UnlockRequestListResponse { unlock.deviceRequests(request.captures.at(0)) }.toJson());
          } });
    routes.append({ Method::Get, path(u"api/v1/unlock-requests"_s),
                    [&unlock, &families, &auth](const RouteRequest& request) {
                        const auto code = request.requiredQuery(u"familyCode"_s);
                        auth.requireParent(families.existingFamily(code).id, request.bearerToken);
                        const auto items = unlock.requests(code, request.optionalQuery(u"status"_s));
                        return ApiReply::json(UnlockRequestListResponse { items }.toJson());
                    },
                    FamilyCode::InQuery });
    routes.append(
        { Method::Post, path(u"api/v1/unlock-requests/{}/decision"_s),
          [&unlock, &auth](const RouteRequest& request) {
              auth.requireParentOfUnlockRequest(request.captures.at(0), request.bearerToken);
              const auto payload = body<UnlockDecisionPayload>(request);
              // The client names no family with a decision; a caller that does is held to it.
              return ApiReply::json(
                  unlock.decide(request.captures.at(0), payload, request.optionalQuery(u"familyCode"_s))
                      .toJson());
          },
          FamilyCode::InQuery });
}

void addPublicRoutes(QList<ApiRoute>& routes, PublicHandler& publicInfo)
{
    routes.append(
        { Method::Get, path(u"api/v1/public/app-display-info"_s),
          [&publicInfo](const RouteRequest&) { return ApiReply::json(publicInfo.displayInfo().toJson()); } });
    routes.append({ Method::Post, path(u"api/v1/feedbacks"_s), [&publicInfo](const RouteRequest& request) {
                       const auto payload = body<FeedbackPayload>(request);
                       return ApiReply::json({ { u"id"_s, publicInfo.submitFeedback(payload) } }, 201);
                   } });
}

} // namespace

namespace ApiRoutes {

QList<ApiRoute> build(ServerHandlers& handlers)
{
    QList<ApiRoute> routes;
    addFamilyRoutes(routes, handlers.families, handlers.auth);
    addPolicyAndUsageRoutes(routes, handlers.policies, handlers.usage, handlers.auth);
    addHealthRoutes(routes, handlers.health, handlers.families, handlers.auth);
    addUnlockRoutes(routes, handlers.unlockRequests, handlers.families, handlers.auth);
    addPublicRoutes(routes, handlers.publicInfo);
    return routes;
}

} // namespace ApiRoutes
