#include "Platform/GuardInstaller.h"

#include "Platform/PlatformDefaults.h"

#include <atomic>

using namespace Qt::StringLiterals;

namespace {
std::atomic<const GuardInstaller*> s_current { nullptr };
} // namespace

GuardInstaller::~GuardInstaller() = default;

QString GuardInstaller::shellQuoted(const QString& text)
{
    QString escaped = text;
    escaped.replace(u"'"_s, u"'\\''"_s);
    return u'\'' + escaped + u'\'';
}

const GuardInstaller& GuardInstaller::current()
{
    if (const auto* installer = s_current.load()) {
        return *installer;
    }
    return PlatformDefaults::guardInstaller();
}

void GuardInstaller::setCurrent(const GuardInstaller* installer)
{
    s_current.store(installer);
}
