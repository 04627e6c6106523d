#include "Views/MacLockOverlayContent.h"

#include "Models/L10n.h"
#include "Services/MacUnlockRequestState.h"
#include "Views/MacLockCoordinator.h"
#include "Views/SymbolIcon.h"

#include <QColor>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

MacLockOverlayContent::MacLockOverlayContent(const QString& reasonText, const MacLockCoordinator& coordinator,
                                             const MacUnlockRequestState* requests, QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(24);
    layout->addStretch(1);

    auto* symbol = new QLabel(this);
    symbol->setObjectName(u"lockSymbol"_s);
    symbol->setPixmap(SymbolIcon::pixmap(u"lock.shield.fill"_s, 72, QColor(255, 255, 255, 230)));
    symbol->setAlignment(Qt::AlignCenter);
    layout->addWidget(symbol);

    auto* title = new QLabel(L10n::localized("岚哨"), this);
    title->setObjectName(u"productName"_s);
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);

    m_reason = new QLabel(reasonText, this);
    m_reason->setObjectName(u"reasonText"_s);
    m_reason->setAlignment(Qt::AlignCenter);
    m_reason->setWordWrap(true);
    layout->addWidget(m_reason);

    auto* pending = new QLabel(this);
    pending->setObjectName(u"unlockRequestPendingText"_s);
    pending->setAlignment(Qt::AlignCenter);
    pending->setWordWrap(true);
    const auto showRequestState = [pending, requests] {
        pending->setText(requestStateText(requests));
        pending->setVisible(!pending->text().isEmpty());
    };
    showRequestState();
    layout->addWidget(pending);
    if (requests) {
        connect(requests, &MacUnlockRequestState::changed, pending, showRequestState);
    }

    auto* status = new QLabel(coordinator.statusText(), this);
    status->setObjectName(u"lockStatusText"_s);
    status->setAlignment(Qt::AlignCenter);
    status->setWordWrap(true);
    status->setVisible(!status->text().isEmpty());
    layout->addWidget(status);
    connect(&coordinator, &MacLockCoordinator::statusTextChanged, status, [status, &coordinator] {
        status->setText(coordinator.statusText());
        status->setVisible(!status->text().isEmpty());
    });

    auto* column = new QWidget(this);
    // At least the described width; a longer translation widens the buttons instead of clipping.
    column->setMinimumWidth(320);
    auto* buttons = new QVBoxLayout(column);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(12);
    auto* request = new QPushButton(SymbolIcon::icon(u"paperplane"_s, Qt::white),
                                    L10n::localized("向家长申请解锁"), column);
    request->setObjectName(u"unlockRequestButton"_s);
    // No default button: a Return typed at the lock screen must not send a request by itself.
    request->setAutoDefault(false);
    request->setMinimumHeight(40);
    auto* password = new QPushButton(SymbolIcon::icon(u"lock.open"_s, Qt::white),
                                     L10n::localized("家长在身边时，输入家长密码立即解锁"), column);
    password->setObjectName(u"passwordUnlockButton"_s);
    password->setMinimumHeight(40);
    password->setAutoDefault(false);
    buttons->addWidget(request);
    buttons->addWidget(password);
    layout->addWidget(column, 0, Qt::AlignHCenter);
    layout->addStretch(1);

    connect(request, &QPushButton::clicked, this, [action = coordinator.onUnlockRequest] {
        if (action) {
            action();
        }
    });
    connect(password, &QPushButton::clicked, this, [action = coordinator.onPasswordUnlock] {
        if (action) {
            action();
        }
    });
}

QString MacLockOverlayContent::requestStateText(const MacUnlockRequestState* requests)
{
    if (requests && requests->isRejected()) {
        return L10n::localized("家长拒绝了这次解锁申请");
    }
    if (requests && requests->isPending()) {
        return L10n::localized("解锁申请已发出，正在等待家长处理");
    }
    return {};
}

QString MacLockOverlayContent::reasonText() const
{
    return m_reason->text();
}
