#pragma once

#include "Views/Binding/BindingStepContext.h"

#include <QWidget>

class QLabel;

// The child's last step: the joined family and the way back out, guarded by the parent password.
class BindingStep3SummaryView final : public QWidget
{
    Q_OBJECT

public:
    BindingStep3SummaryView(BindingStepContext context, QWidget* parent = nullptr);

private:
    void refresh();

    BindingStepContext m_context;
    QLabel* m_code = nullptr;
};
