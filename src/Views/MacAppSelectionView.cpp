#include "Views/MacAppSelectionView.h"

#include "Models/L10n.h"
#include "Models/MacAppSelectionStore.h"
#include "Platform/InstalledApps.h"
#include "Platform/Workspace.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

MacAppSelectionView::MacAppSelectionView(MacAppSelectionStore& store, const InstalledApps& apps,
                                         Workspace& workspace, QWidget* parent,
                                         std::function<void()> onDismiss)
    : QDialog(parent)
    , m_store(store)
    , m_workspace(workspace)
    , m_onDismiss(std::move(onDismiss))
{
    setObjectName(u"appSelection"_s);
    setWindowTitle(L10n::localized("选择受管控的应用"));
    resize(440, 520);
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(L10n::localized("选择受管控的应用"));
    QFont font = title->font();
    font.setPointSize(font.pointSize() + 2);
    font.setBold(true);
    title->setFont(font);
    layout->addWidget(title);
    m_search = new QLineEdit;
    m_search->setObjectName(u"appSearch"_s);
    m_search->setClearButtonEnabled(true);
    layout->addWidget(m_search);
    m_list = new QListWidget;
    m_list->setObjectName(u"appList"_s);
    m_list->setIconSize(QSize(24, 24));
    layout->addWidget(m_list, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* done = new QPushButton(L10n::localized("完成"));
    done->setObjectName(u"appSelectionDone"_s);
    done->setDefault(true);
    buttons->addWidget(done);
    layout->addLayout(buttons);

    // Listed and ticked afresh each time the screen opens.
    m_apps = apps.loadApps();
    m_ticked = store.initialTicks();
    m_ticked.removeDuplicates();
    rebuildList();

    connect(m_search, &QLineEdit::textChanged, this, &MacAppSelectionView::rebuildList);
    connect(done, &QPushButton::clicked, this, &MacAppSelectionView::save);
    connect(m_list, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        const QString id = item->data(Qt::UserRole).toString();
        if (item->checkState() == Qt::Checked) {
            if (!m_ticked.contains(id)) {
                m_ticked.append(id);
            }
        } else {
            m_ticked.removeAll(id);
        }
    });
}

void MacAppSelectionView::rebuildList()
{
    const QSignalBlocker blocker(m_list);
    m_list->clear();
    // The same application in two folders is listed twice, so rows are kept by position, not id.
    m_shown = MacAppSelectionStore::filteredApps(m_apps, m_search->text());
    for (const MacAppItem& app : std::as_const(m_shown)) {
        auto* item = new QListWidgetItem(m_workspace.iconForFile(app.path), app.name, m_list);
        item->setData(Qt::UserRole, app.id);
        item->setToolTip(app.path);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(m_ticked.contains(app.id) ? Qt::Checked : Qt::Unchecked);
    }
}

QStringList MacAppSelectionView::ticked() const
{
    return m_ticked;
}

QList<MacAppItem> MacAppSelectionView::shownApps() const
{
    return m_shown;
}

void MacAppSelectionView::save()
{
    m_store.saveSelection(m_ticked);
    if (m_onDismiss) {
        m_onDismiss();
    }
    accept();
}
