#include "Views/MacMoreMenuSheet.h"

#include "Models/L10n.h"
#include "Models/RemoteBackendConfig.h"
#include "Views/SheetTitleRow.h"
#include "Views/SymbolIcon.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

MacMoreMenuSheet::MacMoreMenuSheet(RemoteBackendConfig& config, Callbacks callbacks, QWidget* parent)
    : QDialog(parent)
    , m_config(config)
    , m_callbacks(std::move(callbacks))
{
    setObjectName(u"MacMoreMenuSheet"_s);
    setFixedSize(320, 300 + 50 * (int(rows().size()) - 4));
    setWindowTitle(L10n::localized("更多"));
    auto* layout = new QVBoxLayout(this);
    auto* done = SheetTitleRow::add(layout, this, L10n::localized("更多"));
    connect(done, &QPushButton::clicked, this, [this] {
        if (m_callbacks.onDismiss) {
            m_callbacks.onDismiss();
        }
    });
    const auto rowList = rows();
    for (int i = 0; i < rowList.size(); ++i) {
        const auto& row = rowList.at(i);
        auto* button = new QPushButton(this);
        button->setObjectName(u"row%1"_s.arg(i));
        button->setFlat(true);
        // The title is a label inside the button; without this a screen reader finds a nameless button.
        button->setAccessibleName(row.title);
        auto* rowLayout = new QHBoxLayout(button);
        auto* icon = new QLabel(button);
        icon->setFixedSize(22, 22);
        icon->setPixmap(SymbolIcon::pixmap(row.icon, 18));
        rowLayout->addWidget(icon);
        rowLayout->addWidget(new QLabel(row.title, button), 1);
        rowLayout->addWidget(new QLabel(u"›"_s, button));
        button->setMinimumHeight(40);
        connect(button, &QPushButton::clicked, this, row.action);
        layout->addWidget(button);
    }
    layout->addStretch();
}

MacMoreMenuSheet::~MacMoreMenuSheet() = default;

QList<MacMoreMenuRow> MacMoreMenuSheet::rows() const
{
    const auto call = [](const std::function<void()>& callback) {
        return [callback] {
            if (callback) {
                callback();
            }
        };
    };
    // The callbacks are copied: the menu is usually gone when the backend screen opens.
    const auto openBackendURL = [dismiss = m_callbacks.onDismiss, open = m_callbacks.onBackendURL] {
        if (dismiss) {
            dismiss();
        }
        QTimer::singleShot(backendURLDelay, QCoreApplication::instance(), [open] {
            if (open) {
                open();
            }
        });
    };
    QList<MacMoreMenuRow> list {
        { u"link"_s, L10n::localized("后端服务地址"), openBackendURL },
        { u"questionmark.circle"_s, L10n::localized("使用帮助"), call(m_callbacks.onHelp) },
        { u"bubble.left.and.bubble.right"_s, L10n::localized("意见反馈"), call(m_callbacks.onFeedback) },
        { u"info.circle"_s, L10n::localized("关于我们"), call(m_callbacks.onAbout) },
    };
    if (m_config.role() == RemoteDeviceRole::parent && !m_config.familyCode().isEmpty()) {
        list.append(
            { u"person.2.fill"_s, L10n::localized("邀请另一台家长电脑"), call(m_callbacks.onInviteParent) });
    }
    return list;
}
