#pragma once

#include "Views/Binding/BindingStepContext.h"

#include <QWidget>

class QPushButton;

// Step 1: the role of this computer, two large buttons; the stored role is drawn selected.
class BindingStep1RoleView final : public QWidget
{
    Q_OBJECT

public:
    BindingStep1RoleView(BindingStepContext context, QWidget* parent = nullptr);

private:
    void refresh();

    BindingStepContext m_context;
    QPushButton* m_parent = nullptr;
    QPushButton* m_child = nullptr;
    bool m_refreshing = false;
};
