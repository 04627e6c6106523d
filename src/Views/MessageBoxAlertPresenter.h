#pragma once

#include "Views/AlertPresenter.h"

// Alerts as application-modal dialogs in the shape of a message box: the message in bold, the
// informative text below it, the optional masked field, then the buttons in the given order.
class MessageBoxAlertPresenter final : public AlertPresenter
{
public:
    Answer runModal(const Alert& alert) override;
};
