#pragma once

#include <QString>

#include <optional>

// One installed application as offered for selection. `id` is the bundle identifier when there
// is one, otherwise the full path, so that an application without an identifier can still be
// chosen (and is then controlled by its path).
struct MacAppItem
{
    QString id;
    std::optional<QString> bundleId;
    QString name;
    QString path;

    friend bool operator==(const MacAppItem&, const MacAppItem&) = default;
};
