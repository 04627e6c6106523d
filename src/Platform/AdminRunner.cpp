#include "Platform/AdminRunner.h"

AdminRunner::~AdminRunner() = default;
