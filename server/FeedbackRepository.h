#pragma once

#include "Protocol/FeedbackRecords.h"

class ServerDatabase;

// Feedback texts sent from the application's feedback form, kept for the operator to read.
class FeedbackRepository final
{
public:
    explicit FeedbackRepository(ServerDatabase& database);

    // Returns the new entry's identifier.
    QString add(const FeedbackPayload& feedback);

private:
    ServerDatabase& m_db;
};
