#include "Views/MessageBoxAlertPresenter.h"

#include "Views/MacLockOverlayController.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

AlertPresenter::Answer MessageBoxAlertPresenter::runModal(const Alert& alert)
{
    QDialog dialog;
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setWindowTitle(alert.message);
    auto* layout = new QVBoxLayout(&dialog);
    layout->setSpacing(12);

    auto* message = new QLabel(alert.message, &dialog);
    QFont bold = message->font();
    bold.setBold(true);
    message->setFont(bold);
    message->setWordWrap(true);
    layout->addWidget(message);

    if (!alert.informativeText.isEmpty()) {
        auto* informative = new QLabel(alert.informativeText, &dialog);
        informative->setWordWrap(true);
        informative->setMaximumWidth(420);
        layout->addWidget(informative);
    }

    QLineEdit* field = nullptr;
    if (alert.secureField) {
        field = new QLineEdit(&dialog);
        field->setObjectName(u"secureField"_s);
        field->setEchoMode(QLineEdit::Password);
        field->setFixedSize(260, 24);
        layout->addWidget(field);
    }

    int clicked = -1;
    auto* row = new QHBoxLayout;
    row->addStretch();
    for (qsizetype i = 0; i < alert.buttons.size(); ++i) {
        auto* button = new QPushButton(alert.buttons.at(i), &dialog);
        button->setDefault(i == 0);
        QObject::connect(button, &QPushButton::clicked, &dialog, [&dialog, &clicked, i] {
            clicked = static_cast<int>(i);
            dialog.accept();
        });
        row->addWidget(button);
    }
    layout->addLayout(row);

    if (field) {
        field->setFocus(Qt::OtherFocusReason);
    }
    // An application-modal box beneath the lock windows would leave the lock screen dead.
    if (m_overlay && m_overlay->isShowing()) {
        m_overlay->presentAboveOverlay(&dialog);
    }
    dialog.exec();

    Answer answer;
    answer.button = clicked;
    if (field) {
        answer.fieldText = field->text();
    }
    return answer;
}
