// Client-side cost of one policy round trip without the network: what a parent pays to turn a rule
// set into the request it sends, and what a child pays every 45 seconds to decode the answer.
#include "Models/ScreenTimePolicy.h"
#include "Protocol/WireCoding.h"
#include "Services/Network/ModelPayloads.h"
#include "Services/Network/RemoteAPIClient.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QNetworkAccessManager>

#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QNetworkAccessManager session;
    const RemoteAPIClient client(QUrl(u"https://api.example.com"_s), &session);

    ScreenTimePolicy policy;
    policy.dailyLimitMinutes = 90;
    policy.blockedStart = { 21, 30 };
    policy.blockedEnd = { 7, 0 };
    policy.forceLocked = true;
    policy.unlockUntil = QDateTime(QDate(2026, 12, 4), QTime(6, 0), Qt::UTC);
    const QVariantMap selection { { u"bundleIds"_s, QVariantList { u"org.game"_s, u"org.video"_s } } };

    const QByteArray answer
        = R"({"deviceId":"5f0c6a2e-0d3b-4d52-9a52-2b1e0f1d9c11","policy":{"dailyLimitMinutes":90,)"
          R"("blockedStart":{"hour":21,"minute":30},"blockedEnd":{"hour":7,"minute":0},)"
          R"("forceLocked":true,"unlockUntil":"2026-12-04T06:00:00.250+08:00"},)"
          R"("selection":{"bundleIds":["org.game","org.video"],"processes":[],"paths":[],"source":"mac"},)"
          R"("updatedAt":"2026-12-04T05:59:00Z"})";

    constexpr int iterations = 50'000;
    qint64 bytes = 0;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < iterations; ++i) {
        const auto url = client.endpointURL(u"api/v1/devices"_s,
                                            { u"5f0c6a2e-0d3b-4d52-9a52-2b1e0f1d9c11"_s, u"policy"_s });
        const UpsertPolicyPayload body { policyPayload(policy),
                                         WireCoding::jsonObjectFromVariantMap(selection) };
        bytes += WireCoding::encode(body.toJson()).size() + url.toEncoded().size();
    }
    const auto buildNs = timer.nsecsElapsed();

    qint64 minutes = 0;
    timer.restart();
    for (int i = 0; i < iterations; ++i) {
        minutes += RemoteAPIClient::policyResponseDecoder().decode(answer).policy.dailyLimitMinutes;
    }
    const auto decodeNs = timer.nsecsElapsed();

    std::printf("build policy request (URL + JSON body): %.2f us per request (%d requests, %lld bytes)\n",
                double(buildNs) / iterations / 1000.0, iterations, static_cast<long long>(bytes));
    std::printf("decode policy response (%lld bytes): %.2f us per response (checksum %lld)\n",
                static_cast<long long>(answer.size()), double(decodeNs) / iterations / 1000.0,
                static_cast<long long>(minutes));
    return 0;
}
