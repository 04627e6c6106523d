#pragma once

#include "Views/Binding/BindingStepContext.h"

#include <QDialog>

class QLabel;
class QLineEdit;

// Asks for the parent password before this computer leaves its family.
class BindingClearBindingSheetView final : public QDialog
{
    Q_OBJECT

public:
    BindingClearBindingSheetView(BindingStepContext context, QWidget* parent = nullptr);

private:
    void refresh();

    BindingStepContext m_context;
    QLineEdit* m_password = nullptr;
    QLabel* m_error = nullptr;
};
