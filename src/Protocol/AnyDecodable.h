#pragma once

#include <QJsonValue>

// Stands for a JSON value whose content nobody uses: any value decodes, nothing is kept.
struct AnyDecodable
{
    static AnyDecodable fromJson(const QJsonValue&, const QString& = QString()) { return {}; }
    // Nothing was kept, so nothing but null can be written back.
    QJsonValue toJson() const { return QJsonValue::Null; }

    friend bool operator==(const AnyDecodable&, const AnyDecodable&) = default;
};
