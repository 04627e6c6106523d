#include "FamilyRepository.h"

#include "ServerDatabase.h"
#include "ServerTime.h"

#include <QRandomGenerator>
#include <QUuid>

using namespace Qt::StringLiterals;

FamilyRepository::FamilyRepository(ServerDatabase& database)
    : m_db(database)
{
}

QString FamilyRepository::randomFamilyCode()
{
    // The code is the only proof of membership, so it comes from the operating system's secure
    // generator; bounded() avoids the modulo bias of a plain remainder.
    const auto value = QRandomGenerator::system()->bounded(1000000u);
    return u"%1"_s.arg(value, 6, 10, QLatin1Char('0'));
}

FamilyRepository::Family FamilyRepository::createFamily()
{
    const auto id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    const auto now = ServerTime::nowMs();
    // A million codes: as families accumulate a drawn code may be taken; the unique index decides,
    // so two instances drawing the same code at once cannot both get it.
    for (int attempt = 0; attempt < 50; ++attempt) {
        const auto code = randomFamilyCode();
        if (familyByCode(code)) {
            continue;
        }
        try {
            m_db.transaction([&] {
                m_db.exec(u"INSERT INTO families (id, code, created_at) VALUES (?, ?, ?)"_s,
                          { id, code, now });
            });
            return { id, code };
        } catch (const DatabaseError&) {
            if (!familyByCode(code)) {
                throw;
            }
        }
    }
    throw DatabaseError(u"no free family code found"_s);
}

std::optional<FamilyRepository::Family> FamilyRepository::familyByCode(const QString& code)
{
    auto& query = m_db.exec(u"SELECT id FROM families WHERE code = ?"_s, { code });
    if (!query.next()) {
        return std::nullopt;
    }
    return Family { query.value(0).toString(), code };
}

FamilyRepository::Device FamilyRepository::addDevice(const QString& familyId, const QString& role,
                                                     const QString& name)
{
    Device device { QUuid::createUuid().toString(QUuid::WithoutBraces), familyId, name, role };
    const auto now = ServerTime::nowMs();
    // The position keeps the list in registration order even for devices registered within the
    // same millisecond.
    m_db.exec(u"INSERT INTO devices (id, family_id, name, role, position, created_at, updated_at) "
              "SELECT ?, ?, ?, ?, COALESCE(MAX(position), 0) + 1, CAST(? AS BIGINT), CAST(? AS BIGINT) FROM "
              "devices "
              "WHERE family_id = ?"_s,
              { device.id, familyId, name, role, now, now, familyId });
    return device;
}

std::optional<FamilyRepository::Device> FamilyRepository::device(const QString& deviceId)
{
    auto& query = m_db.exec(u"SELECT family_id, name, role FROM devices WHERE id = ?"_s, { deviceId });
    if (!query.next()) {
        return std::nullopt;
    }
    return Device { deviceId, query.value(0).toString(), query.value(1).toString(),
                    query.value(2).toString() };
}

qsizetype FamilyRepository::deviceCount(const QString& familyId)
{
    auto& query = m_db.exec(u"SELECT COUNT(*) FROM devices WHERE family_id = ?"_s, { familyId });
    return query.next() ? query.value(0).toLongLong() : 0;
}

QList<FamilyRepository::Device> FamilyRepository::devices(const QString& familyId)
{
    auto& query = m_db.exec(
        u"SELECT id, name, role FROM devices WHERE family_id = ? ORDER BY position, created_at, id"_s,
        { familyId });
    QList<Device> result;
    while (query.next()) {
        result.append(
            { query.value(0).toString(), familyId, query.value(1).toString(), query.value(2).toString() });
    }
    return result;
}

void FamilyRepository::renameDevice(const QString& deviceId, const QString& name)
{
    m_db.exec(u"UPDATE devices SET name = ?, updated_at = ? WHERE id = ?"_s,
              { name, ServerTime::nowMs(), deviceId });
}

void FamilyRepository::deleteDevice(const QString& deviceId)
{
    m_db.transaction([&] {
        // In the order in which batched reports lock these tables' rows, so that the two never
        // wait for each other.
        for (const auto& table :
             { u"device_health"_s, u"device_policies"_s, u"usage_days"_s, u"usage_sessions"_s }) {
            m_db.exec(u"DELETE FROM %1 WHERE device_id = ?"_s.arg(table), { deviceId });
        }
        m_db.exec(u"DELETE FROM unlock_requests WHERE child_device_id = ?"_s, { deviceId });
        m_db.exec(u"DELETE FROM devices WHERE id = ?"_s, { deviceId });
    });
}
