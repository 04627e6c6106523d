#pragma once

#include "Views/Binding/BindingStepContext.h"

#include <QWidget>

class QLabel;
class QVBoxLayout;

// The parent's last step: the family's child devices with their two entries, and the number of
// pending unlock requests. Loads when shown and on "刷新".
class BindingStep4ParentSummaryView final : public QWidget
{
    Q_OBJECT

public:
    BindingStep4ParentSummaryView(BindingStepContext context, QWidget* parent = nullptr);

    void reload();

private:
    void refresh();

    BindingStepContext m_context;
    QLabel* m_code = nullptr;
    QLabel* m_pending = nullptr;
    QLabel* m_empty = nullptr;
    QWidget* m_list = nullptr;
    QVBoxLayout* m_listLayout = nullptr;
};
