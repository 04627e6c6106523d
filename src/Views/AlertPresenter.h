#pragma once

#include <QString>
#include <QStringList>

// Modal alerts, behind a seam so that the decisions around them (quit, install an update) are
// tested without a window and without a person: a test hands in a presenter that answers from a
// script, as KeePassXC's MessageBox::setNextAnswer does.
class AlertPresenter
{
public:
    struct Alert
    {
        QString message;
        QString informativeText;
        // In order; the first is the default button.
        QStringList buttons;
        // A masked text field of 260 × 24 below the texts that has the keyboard focus.
        bool secureField = false;
    };

    struct Answer
    {
        // Index into Alert::buttons of the button that closed the alert; -1 when none did.
        int button = -1;
        QString fieldText;
    };

    virtual ~AlertPresenter();

    // Shows the alert and waits for the answer.
    virtual Answer runModal(const Alert& alert) = 0;
};
