#include "Views/AlertPresenter.h"

#include "Views/MessageBoxAlertPresenter.h"

#include <atomic>

namespace {
std::atomic<AlertPresenter*> s_current { nullptr };
} // namespace

AlertPresenter::~AlertPresenter() = default;

AlertPresenter& AlertPresenter::current()
{
    if (auto* presenter = s_current.load()) {
        return *presenter;
    }
    static MessageBoxAlertPresenter messageBoxes;
    return messageBoxes;
}

void AlertPresenter::setCurrent(AlertPresenter* presenter)
{
    s_current.store(presenter);
}
