#include "Platform/SessionActivity.h"

SessionActivity::~SessionActivity() = default;
