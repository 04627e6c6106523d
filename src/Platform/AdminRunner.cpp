#include "Platform/AdminRunner.h"

#include "Platform/PlatformDefaults.h"

#include <atomic>

namespace {
std::atomic<AdminRunner*> s_current { nullptr };
} // namespace

AdminRunner::~AdminRunner() = default;

AdminRunner& AdminRunner::current()
{
    if (auto* runner = s_current.load()) {
        return *runner;
    }
    return PlatformDefaults::adminRunner();
}

void AdminRunner::setCurrent(AdminRunner* runner)
{
    s_current.store(runner);
}
