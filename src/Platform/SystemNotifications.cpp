#include "Platform/SystemNotifications.h"

SystemNotifications::~SystemNotifications() = default;
