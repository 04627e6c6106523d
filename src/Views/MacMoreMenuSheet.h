#pragma once

#include <QDialog>

#include <chrono>
#include <functional>

class RemoteBackendConfig;

// One entry of the "more" menu.
struct MacMoreMenuRow
{
    QString icon;
    QString title;
    std::function<void()> action;
};

// The "more" menu: backend address, help, feedback, about and, on a parent computer, inviting
// another parent computer. The host supplies what each row
// does; the backend address screen opens a moment after the menu has closed, so that the two
// sheets never overlap.
class MacMoreMenuSheet final : public QDialog
{
    Q_OBJECT

public:
    struct Callbacks
    {
        std::function<void()> onDismiss;
        std::function<void()> onHelp;
        std::function<void()> onFeedback;
        std::function<void()> onAbout;
        std::function<void()> onBackendURL;
        // Offered on a parent computer of a family only.
        std::function<void()> onInviteParent;
    };

    MacMoreMenuSheet(RemoteBackendConfig& config, Callbacks callbacks, QWidget* parent = nullptr);
    ~MacMoreMenuSheet() override;

    QList<MacMoreMenuRow> rows() const;

    static constexpr std::chrono::milliseconds backendURLDelay { 250 };

private:
    RemoteBackendConfig& m_config;
    Callbacks m_callbacks;
};
