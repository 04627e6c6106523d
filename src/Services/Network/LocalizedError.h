#pragma once

#include <QString>

#include <optional>

// An error that can say in words what went wrong. The one user-facing mapping
// (`userFriendlyMessage`) prefers its own table and falls back to this description, so an error
// that travelled through other layers still reads the same.
class LocalizedError
{
public:
    virtual ~LocalizedError() = default;
    virtual std::optional<QString> errorDescription() const = 0;
};
