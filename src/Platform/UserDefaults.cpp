#include "Platform/UserDefaults.h"

#include <QtGlobal>

#include <atomic>
#include <limits>

namespace {
std::atomic<UserDefaults*> s_standard { nullptr };

template <typename T> std::optional<T> valueOfKind(const QVariant& value, UserDefaults::Kind kind)
{
    if (UserDefaults::kindOf(value) != kind) {
        return std::nullopt;
    }
    return value.value<T>();
}
} // namespace

UserDefaults::~UserDefaults() = default;

UserDefaults::Kind UserDefaults::kindOf(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::QString:
        return Kind::String;
    case QMetaType::QByteArray:
        return Kind::Data;
    case QMetaType::LongLong:
        return Kind::Integer;
    case QMetaType::Double:
        return Kind::Double;
    case QMetaType::Bool:
        return Kind::Boolean;
    case QMetaType::QVariantMap:
        return Kind::Dictionary;
    case QMetaType::QVariantList:
        return Kind::Array;
    default:
        return Kind::None;
    }
}

QVariant UserDefaults::normalized(const QVariant& value)
{
    if (!value.isValid()) {
        return {};
    }
    switch (value.typeId()) {
    case QMetaType::QString:
    case QMetaType::QByteArray:
    case QMetaType::LongLong:
    case QMetaType::Double:
    case QMetaType::Bool:
        return value;
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::Long:
    case QMetaType::SChar:
        return QVariant(value.toLongLong());
    case QMetaType::UInt:
    case QMetaType::UShort:
    case QMetaType::UChar:
        return QVariant(value.toLongLong());
    case QMetaType::ULong:
    case QMetaType::ULongLong: {
        const auto unsignedValue = value.toULongLong();
        if (unsignedValue > static_cast<qulonglong>(std::numeric_limits<qint64>::max())) {
            return QVariant(static_cast<double>(unsignedValue));
        }
        return QVariant(static_cast<qint64>(unsignedValue));
    }
    case QMetaType::Float:
        return QVariant(value.toDouble());
    case QMetaType::QStringList: {
        QVariantList list;
        for (const auto& item : value.toStringList()) {
            list.append(item);
        }
        return list;
    }
    case QMetaType::QVariantMap: {
        QVariantMap map;
        const auto source = value.toMap();
        for (auto it = source.cbegin(); it != source.cend(); ++it) {
            const auto item = normalized(it.value());
            if (item.isValid()) {
                map.insert(it.key(), item);
            }
        }
        return map;
    }
    case QMetaType::QVariantList: {
        QVariantList list;
        for (const auto& item : value.toList()) {
            const auto normalisedItem = normalized(item);
            if (normalisedItem.isValid()) {
                list.append(normalisedItem);
            }
        }
        return list;
    }
    default:
        return {};
    }
}

std::optional<QString> UserDefaults::string(const QString& key) const
{
    return valueOfKind<QString>(object(key), Kind::String);
}

std::optional<QByteArray> UserDefaults::data(const QString& key) const
{
    return valueOfKind<QByteArray>(object(key), Kind::Data);
}

std::optional<qint64> UserDefaults::integer(const QString& key) const
{
    return valueOfKind<qint64>(object(key), Kind::Integer);
}

std::optional<double> UserDefaults::doubleValue(const QString& key) const
{
    return valueOfKind<double>(object(key), Kind::Double);
}

std::optional<bool> UserDefaults::boolean(const QString& key) const
{
    return valueOfKind<bool>(object(key), Kind::Boolean);
}

std::optional<QVariantMap> UserDefaults::dictionary(const QString& key) const
{
    return valueOfKind<QVariantMap>(object(key), Kind::Dictionary);
}

std::optional<QVariantList> UserDefaults::array(const QString& key) const
{
    return valueOfKind<QVariantList>(object(key), Kind::Array);
}

UserDefaults& UserDefaults::standard()
{
    auto* defaults = s_standard.load();
    if (!defaults) {
        qFatal("UserDefaults::standard() used before a store was installed");
    }
    return *defaults;
}

void UserDefaults::setStandard(UserDefaults* defaults)
{
    s_standard.store(defaults);
}
