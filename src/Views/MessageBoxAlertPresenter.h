#pragma once

#include "Views/AlertPresenter.h"

class MacLockOverlayController;

// Alerts as application-modal dialogs in the shape of a message box: the message in bold, the
// informative text below it, the optional masked field, then the buttons in the given order.
class MessageBoxAlertPresenter final : public AlertPresenter
{
public:
    // While `overlay` (when given) shows, an alert comes up above its lock windows.
    explicit MessageBoxAlertPresenter(MacLockOverlayController* overlay = nullptr)
        : m_overlay(overlay)
    {
    }

    Answer runModal(const Alert& alert) override;

private:
    MacLockOverlayController* m_overlay;
};
