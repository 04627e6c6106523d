#pragma once

#include <QPointer>
#include <QTimer>
#include <QWidget>

class QLabel;
class Workspace;

// A small strip at the top of the primary screen that announces a coming lock. It stays above
// every window, full-screen ones included, for a few seconds, and never takes the keyboard or a
// click from the application in front: the child keeps playing and reads it.
class MacLockWarningBanner final : public QWidget
{
    Q_OBJECT

public:
    static constexpr int visibleMs = 6000;

    // Kept above the other windows through `workspace`.
    MacLockWarningBanner(const QString& text, Workspace& workspace);

    QString text() const;

    // Shows `text` in the one banner of the process (a newer warning replaces an older one).
    static MacLockWarningBanner* present(const QString& text, Workspace& workspace);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void keepAbove();

    Workspace& m_workspace;
    QLabel* m_label = nullptr;
    QTimer m_raise;
};
