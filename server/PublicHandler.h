#pragma once

#include "FeedbackRepository.h"
#include "Protocol/FeedbackRecords.h"
#include "Protocol/PublicDisplayInfoRecords.h"

// What needs no family code: the operator's public display information and the feedback form.
class PublicHandler final
{
public:
    PublicHandler(ServerDatabase& database, PublicAppDisplayInfo displayInfo);

    const PublicAppDisplayInfo& displayInfo() const { return m_displayInfo; }
    QString submitFeedback(const FeedbackPayload& feedback);

    static constexpr qsizetype maximumContentLength = 10000;
    // Every other member of a feedback: platform, category, versions, device, family, contact.
    static constexpr qsizetype maximumFieldLength = 200;

private:
    FeedbackRepository m_feedbacks;
    PublicAppDisplayInfo m_displayInfo;
};
