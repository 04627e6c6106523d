#include "Platform/ProcessShield.h"

ProcessShield::~ProcessShield() = default;
