#include "Platform/SecureStore.h"

SecureStore::~SecureStore() = default;
