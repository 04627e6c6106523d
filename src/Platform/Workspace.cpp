#include "Platform/Workspace.h"

Workspace::~Workspace() = default;
