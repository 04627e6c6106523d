#include "Platform/AppBundle.h"

AppBundle::~AppBundle() = default;
