#pragma once

#include "Views/Binding/BindingStepContext.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

// Creating or restoring a family (parent path, step 3), or joining one (child path, step 2).
class BindingStep2SetupView final : public QWidget
{
    Q_OBJECT

public:
    BindingStep2SetupView(BindingStepContext context, bool isParent, QWidget* parent = nullptr);

private:
    void refresh();

    BindingStepContext m_context;
    bool m_isParent;
    QLabel* m_firstUseHint = nullptr;
    QWidget* m_boundBox = nullptr;
    QLabel* m_currentCode = nullptr;
    QLineEdit* m_deviceName = nullptr;
    QLineEdit* m_code = nullptr;
    QLineEdit* m_invitation = nullptr;
    QPushButton* m_primary = nullptr;
    QPushButton* m_recover = nullptr;
    QLabel* m_error = nullptr;
};
