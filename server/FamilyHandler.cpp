#include "FamilyHandler.h"

#include "ApiError.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

QString validName(const QString& name)
{
    if (name.trimmed().isEmpty()) {
        throw ApiError::badRequest(u"name must not be empty"_s);
    }
    if (name.size() > FamilyHandler::maximumNameLength) {
        throw ApiError::badRequest(
            u"name is longer than %1 characters"_s.arg(FamilyHandler::maximumNameLength));
    }
    return name;
}

} // namespace

FamilyHandler::FamilyHandler(ServerDatabase& database)
    : m_families(database)
{
}

FamilyRepository::Family FamilyHandler::createFamily()
{
    return m_families.createFamily();
}

FamilyRepository::Family FamilyHandler::existingFamily(const QString& familyCode)
{
    // Every code is six digits: anything else cannot exist and needs no look-up.
    const auto digits
        = std::all_of(familyCode.cbegin(), familyCode.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    if (familyCode.size() != 6 || !digits) {
        throw ApiError::familyNotFound();
    }
    auto family = m_families.familyByCode(familyCode);
    if (!family) {
        throw ApiError::familyNotFound();
    }
    return *family;
}

FamilyRepository::Device FamilyHandler::registerDevice(const QString& familyCode, const QString& role,
                                                       const QString& name)
{
    const auto family = existingFamily(familyCode);
    // A device without a role could neither be supervised nor supervise; the client lets the
    // server decide, and the server refuses.
    if (role != u"parent"_s && role != u"child"_s) {
        throw ApiError::badRequest(u"role must be \"parent\" or \"child\""_s);
    }
    const auto checkedName = validName(name);
    if (m_families.deviceCount(family.id) >= maximumDevicesPerFamily) {
        throw ApiError(409, u"a family has at most %1 devices"_s.arg(maximumDevicesPerFamily));
    }
    return m_families.addDevice(family.id, role, checkedName);
}

QList<FamilyRepository::Device> FamilyHandler::devices(const QString& familyCode)
{
    return m_families.devices(existingFamily(familyCode).id);
}

FamilyRepository::Device FamilyHandler::existingDevice(const QString& deviceId)
{
    auto device = m_families.device(deviceId);
    if (!device) {
        throw ApiError::deviceNotFound();
    }
    return *device;
}

FamilyRepository::Device FamilyHandler::deviceOfFamily(const QString& deviceId, const QString& familyCode)
{
    const auto family = existingFamily(familyCode);
    auto device = m_families.device(deviceId);
    // A device of another family is answered like a wrong code, so a code cannot be used to
    // probe which device identifiers exist.
    if (!device || device->familyId != family.id) {
        throw ApiError::familyNotFound();
    }
    return *device;
}

FamilyRepository::Device FamilyHandler::renameDevice(const QString& deviceId, const QString& familyCode,
                                                     const QString& name)
{
    auto device = deviceOfFamily(deviceId, familyCode);
    device.name = validName(name);
    m_families.renameDevice(deviceId, device.name);
    return device;
}

void FamilyHandler::deleteDevice(const QString& deviceId, const QString& familyCode)
{
    deviceOfFamily(deviceId, familyCode);
    m_families.deleteDevice(deviceId);
}
