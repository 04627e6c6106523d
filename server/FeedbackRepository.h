#pragma once

#include <QString>

#include <optional>

class ServerDatabase;

// Feedback texts sent from the application's feedback form, kept for the operator to read.
class FeedbackRepository final
{
public:
    struct Feedback
    {
        QString platform;
        QString category;
        QString content;
        QString appVersion;
        QString osVersion;
        std::optional<QString> deviceId;
        std::optional<QString> familyCode;
        std::optional<QString> contact;
    };

    explicit FeedbackRepository(ServerDatabase& database);

    // Returns the new entry's identifier.
    QString add(const Feedback& feedback);

private:
    ServerDatabase& m_db;
};
