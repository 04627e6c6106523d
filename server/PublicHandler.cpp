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
    return m_feedbacks.add(feedback);
}
