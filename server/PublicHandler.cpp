#include "PublicHandler.h"

#include "ApiError.h"

using namespace Qt::StringLiterals;

PublicHandler::PublicHandler(ServerDatabase& database, PublicAppDisplayInfo displayInfo)
    : m_feedbacks(database)
    , m_displayInfo(std::move(displayInfo))
{
}

QString PublicHandler::submitFeedback(const FeedbackPayload& feedback)
{
    if (feedback.content.trimmed().isEmpty()) {
        throw ApiError::badRequest(u"content must not be empty"_s);
    }
    if (feedback.content.size() > maximumContentLength) {
        throw ApiError::badRequest(u"content is longer than %1 characters"_s.arg(maximumContentLength));
    }
    const std::pair<const char*, std::optional<QString>> fields[] = {
        { "platform", feedback.platform },     { "category", feedback.category },
        { "appVersion", feedback.appVersion }, { "osVersion", feedback.osVersion },
        { "deviceId", feedback.deviceId },     { "familyId", feedback.familyId },
        { "contact", feedback.contact },
    };
    for (const auto& [name, value] : fields) {
        if (value && value->size() > maximumFieldLength) {
            throw ApiError::badRequest(
                u"\"%1\" is longer than %2 characters"_s.arg(QLatin1String(name)).arg(maximumFieldLength));
        }
    }
    return m_feedbacks.add(feedback);
}
