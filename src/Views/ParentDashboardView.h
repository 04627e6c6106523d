#pragma once

#include "Protocol/DeviceRecords.h"

#include <QWidget>

class QLabel;
class QPushButton;
class QVBoxLayout;
class ParentDashboardViewModel;

// The parent's home: the status card and the family's child devices. While it is on screen it
// watches for new unlock requests and notifies.
class ParentDashboardView final : public QWidget
{
    Q_OBJECT

public:
    explicit ParentDashboardView(ParentDashboardViewModel& model, QWidget* parent = nullptr);
    ~ParentDashboardView() override;

signals:
    void ruleSettingsRequested(const DeviceListItem& device);
    void renameRequested(const DeviceListItem& device);
    void unlockRequestsRequested(const DeviceListItem& device);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void render();

    ParentDashboardViewModel& m_model;
    QLabel* m_headline;
    QLabel* m_spinner;
    QPushButton* m_refresh;
    QLabel* m_familyCode;
    QLabel* m_error;
    QWidget* m_rows;
    QVBoxLayout* m_rowsLayout;
};
