#include "FeedbackRepository.h"

#include "ServerDatabase.h"
#include "ServerTime.h"

#include <QUuid>

using namespace Qt::StringLiterals;

namespace {
QVariant nullable(const std::optional<QString>& value)
{
    return value ? QVariant(*value) : QVariant(QMetaType::fromType<QString>());
}
} // namespace

FeedbackRepository::FeedbackRepository(ServerDatabase& database)
    : m_db(database)
{
}

QString FeedbackRepository::add(const FeedbackPayload& feedback)
{
    const auto id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    m_db.exec(u"INSERT INTO feedbacks (id, platform, category, content, app_version, os_version, device_id, "
              "family_code, contact, created_at) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"_s,
              { id, feedback.platform, feedback.category, feedback.content, feedback.appVersion,
                feedback.osVersion, nullable(feedback.deviceId), nullable(feedback.familyId),
                nullable(feedback.contact), ServerTime::nowMs() });
    return id;
}
