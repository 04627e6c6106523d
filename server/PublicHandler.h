#pragma once

#include "FeedbackRepository.h"

#include <QJsonObject>

// What needs no family code: the operator's public display information and the feedback form.
class PublicHandler final
{
public:
    PublicHandler(ServerDatabase& database, QJsonObject displayInfo);

    QJsonObject displayInfo() const { return m_displayInfo; }
    QString submitFeedback(const FeedbackRepository::Feedback& feedback);

    static constexpr qsizetype maximumContentLength = 10000;

private:
    FeedbackRepository m_feedbacks;
    QJsonObject m_displayInfo;
};
