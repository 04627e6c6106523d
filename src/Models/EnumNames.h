#pragma once

#include <QMetaEnum>
#include <QString>

#include <optional>

// The stored and wire names of enumerations declared with Q_ENUM / Q_ENUM_NS: each value is
// named by its identifier, so a new value cannot be forgotten in a hand-written table.
template <typename Enum> QString enumName(Enum value)
{
    return QString::fromLatin1(QMetaEnum::fromType<Enum>().valueToKey(int(value)));
}

// Only an exact, case-sensitive identifier names a value: QMetaEnum would also take a scoped
// name ("Kind::x") and stop at an embedded NUL, which a stored or received text must not do.
template <typename Enum> std::optional<Enum> enumFromName(const QString& name)
{
    bool ok = false;
    const int value = QMetaEnum::fromType<Enum>().keyToValue(name.toLatin1().constData(), &ok);
    if (!ok || enumName(Enum(value)) != name) {
        return std::nullopt;
    }
    return Enum(value);
}
