#pragma once

#include <QDialog>

// The help sheet: an introduction, a note on testing, and the help blocks of the current language.
class MacHelpView final : public QDialog
{
    Q_OBJECT

public:
    explicit MacHelpView(QWidget* parent = nullptr);
    ~MacHelpView() override;

signals:
    void dismissRequested();
};
