#include "Platform/AppBundle.h"

#include "Platform/PlatformDefaults.h"

#include <atomic>

namespace {
std::atomic<AppBundle*> s_current { nullptr };
} // namespace

AppBundle::~AppBundle() = default;

AppBundle& AppBundle::current()
{
    if (auto* bundle = s_current.load()) {
        return *bundle;
    }
    return PlatformDefaults::appBundle();
}

void AppBundle::setCurrent(AppBundle* bundle)
{
    s_current.store(bundle);
}
