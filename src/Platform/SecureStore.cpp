#include "Platform/SecureStore.h"

#include "Platform/PlatformDefaults.h"

#include <atomic>

namespace {
std::atomic<SecureStore*> s_standard { nullptr };
} // namespace

SecureStore::~SecureStore() = default;

SecureStore& SecureStore::standard()
{
    if (auto* store = s_standard.load()) {
        return *store;
    }
    return PlatformDefaults::secureStore();
}

void SecureStore::setStandard(SecureStore* store)
{
    s_standard.store(store);
}
