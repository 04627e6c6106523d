#pragma once

#include <QDialog>

class QLabel;
class MacAboutViewModel;
class AppBundle;
class RemoteBackendConfig;

// The about sheet: name, version, slogan and the vendor's public lines from the server, read
// when the sheet comes on screen.
class MacAboutView final : public QDialog
{
    Q_OBJECT

public:
    MacAboutView(RemoteBackendConfig& config, const AppBundle& bundle, QWidget* parent = nullptr);
    ~MacAboutView() override;

    MacAboutViewModel& model() const { return *m_model; }

signals:
    void dismissRequested();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void render();

    MacAboutViewModel* m_model;
    QLabel* m_detail;
    bool m_loaded = false;
};
