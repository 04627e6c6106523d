#pragma once

#include "Platform/MacAppItem.h"

#include <QDialog>
#include <QList>
#include <QSet>

#include <functional>

class InstalledApps;
class MacAppSelectionStore;
class QLineEdit;
class QListWidget;
class Workspace;

// The choice of controlled applications: the installed applications with their icons, a search
// field and a tick per application; "完成" saves the ticks.
class MacAppSelectionView final : public QDialog
{
    Q_OBJECT

public:
    // `apps` lists the applications to choose from; `workspace` gives their icons.
    MacAppSelectionView(MacAppSelectionStore& store, const InstalledApps& apps, Workspace& workspace,
                        QWidget* parent = nullptr, std::function<void()> onDismiss = {});

    QStringList ticked() const;
    QList<MacAppItem> shownApps() const;

public slots:
    void save();

private:
    void rebuildList();

    MacAppSelectionStore& m_store;
    Workspace& m_workspace;
    std::function<void()> m_onDismiss;
    QList<MacAppItem> m_apps;
    QList<MacAppItem> m_shown;
    // In tick order, which decides the order of the saved lists.
    QStringList m_ticked;
    QLineEdit* m_search = nullptr;
    QListWidget* m_list = nullptr;
};
