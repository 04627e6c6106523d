#include "Views/AlertPresenter.h"

AlertPresenter::~AlertPresenter() = default;
