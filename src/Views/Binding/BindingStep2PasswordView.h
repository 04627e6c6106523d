#pragma once

#include "Views/Binding/BindingStepContext.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

// Step 2 of the parent path: the only place where the parent password is set.
class BindingStep2PasswordView final : public QWidget
{
    Q_OBJECT

public:
    BindingStep2PasswordView(BindingStepContext context, QWidget* parent = nullptr);

private:
    void refresh();

    BindingStepContext m_context;
    QLabel* m_hasPasswordText = nullptr;
    QWidget* m_fields = nullptr;
    QLineEdit* m_password = nullptr;
    QLineEdit* m_confirm = nullptr;
    QLabel* m_error = nullptr;
};
