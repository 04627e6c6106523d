#include "Models/ScreenTimePolicyRepository.h"

#include "Platform/UserDefaults.h"
#include "Protocol/StrictJson.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {
const QDateTime& referenceDate()
{
    static const QDateTime date(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
    return date;
}

QJsonObject encodeComponents(const DateComponents& components)
{
    QJsonObject object;
    if (components.hour) {
        object.insert(u"hour"_s, *components.hour);
    }
    if (components.minute) {
        object.insert(u"minute"_s, *components.minute);
    }
    return object;
}

// Other calendar members are ignored; an hour or minute that is present must be an integer.
std::optional<DateComponents> decodeComponents(const QJsonValue& value)
{
    if (!value.isObject()) {
        return std::nullopt;
    }
    const auto object = value.toObject();
    const auto hour = StrictJson::integerMember(object.value(u"hour"_s));
    const auto minute = StrictJson::integerMember(object.value(u"minute"_s));
    if (hour.isWrongType() || minute.isWrongType()) {
        return std::nullopt;
    }
    return DateComponents { hour.value, minute.value };
}
} // namespace

ScreenTimePolicyRepository::ScreenTimePolicyRepository(const QString& storageKey)
    : m_storageKey(storageKey)
{
}

ScreenTimePolicyRepository::ScreenTimePolicyRepository(const QString& storageKey, UserDefaults& defaults)
    : m_storageKey(storageKey)
    , m_defaults(&defaults)
{
}

QString ScreenTimePolicyRepository::defaultStorageKey()
{
    return u"screenTimePolicy"_s;
}

UserDefaults& ScreenTimePolicyRepository::defaults() const
{
    return m_defaults ? *m_defaults : UserDefaults::standard();
}

ScreenTimePolicy ScreenTimePolicyRepository::load() const
{
    const auto stored = defaults().data(m_storageKey);
    if (!stored) {
        return {};
    }
    return decode(*stored).value_or(ScreenTimePolicy {});
}

void ScreenTimePolicyRepository::save(const ScreenTimePolicy& policy)
{
    const auto document = encode(policy);
    if (document.isEmpty()) {
        return;
    }
    defaults().setData(m_storageKey, document);
}

double ScreenTimePolicyRepository::secondsSinceReferenceDate(const QDateTime& instant)
{
    return static_cast<double>(referenceDate().msecsTo(instant)) / 1000.0;
}

std::optional<QDateTime> ScreenTimePolicyRepository::fromSecondsSinceReferenceDate(double seconds)
{
    // Keep well inside the range QDateTime represents, so a hostile number cannot wrap.
    constexpr double limit = 1.0e14;
    if (!std::isfinite(seconds) || std::fabs(seconds) > limit) {
        return std::nullopt;
    }
    return referenceDate().addMSecs(static_cast<qint64>(std::llround(seconds * 1000.0)));
}

QByteArray ScreenTimePolicyRepository::encode(const ScreenTimePolicy& policy)
{
    QJsonObject object;
    object.insert(u"dailyLimitMinutes"_s, policy.dailyLimitMinutes);
    object.insert(u"blockedStart"_s, encodeComponents(policy.blockedStart));
    object.insert(u"blockedEnd"_s, encodeComponents(policy.blockedEnd));
    object.insert(u"forceLocked"_s, policy.forceLocked);
    if (policy.unlockUntil) {
        if (!policy.unlockUntil->isValid()) {
            return {};
        }
        object.insert(u"unlockUntil"_s, secondsSinceReferenceDate(*policy.unlockUntil));
    }
    object.insert(u"eyeRestIntervalMinutes"_s, policy.eyeRestIntervalMinutes);
    object.insert(u"eyeRestRestMinutes"_s, policy.eyeRestRestMinutes);
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<ScreenTimePolicy> ScreenTimePolicyRepository::decode(const QByteArray& document)
{
    QJsonParseError error {};
    const auto json = QJsonDocument::fromJson(document, &error);
    if (error.error != QJsonParseError::NoError || !json.isObject()) {
        return std::nullopt;
    }
    const auto object = json.object();

    ScreenTimePolicy policy;
    const auto dailyLimit = StrictJson::integer(object.value(u"dailyLimitMinutes"_s));
    if (!dailyLimit) {
        return std::nullopt;
    }
    policy.dailyLimitMinutes = *dailyLimit;
    const auto blockedStart = decodeComponents(object.value(u"blockedStart"_s));
    if (!blockedStart) {
        return std::nullopt;
    }
    policy.blockedStart = *blockedStart;
    const auto blockedEnd = decodeComponents(object.value(u"blockedEnd"_s));
    if (!blockedEnd) {
        return std::nullopt;
    }
    policy.blockedEnd = *blockedEnd;

    policy.forceLocked = StrictJson::boolean(object.value(u"forceLocked"_s)).value_or(false);
    if (const auto seconds = StrictJson::number(object.value(u"unlockUntil"_s))) {
        policy.unlockUntil = fromSecondsSinceReferenceDate(*seconds);
    }
    policy.eyeRestIntervalMinutes = StrictJson::integer(object.value(u"eyeRestIntervalMinutes"_s))
                                        .value_or(ScreenTimePolicyDefaults::eyeRestIntervalMinutes);
    policy.eyeRestRestMinutes = StrictJson::integer(object.value(u"eyeRestRestMinutes"_s))
                                    .value_or(ScreenTimePolicyDefaults::eyeRestRestMinutes);
    return policy;
}
