#include "Views/MacUnlockRequestsView.h"

#include "Models/L10n.h"
#include "Services/MacUnlockRequestsViewModel.h"
#include "Views/SheetTitleRow.h"

#include <QDialogButtonBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QLabel* captionLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setProperty("role", u"caption"_s);
    return label;
}

} // namespace

MacUnlockRequestsView::MacUnlockRequestsView(RemoteBackendConfig& config,
                                             std::optional<QString> filterDeviceId, QWidget* parent)
    : QDialog(parent)
    , m_model(new MacUnlockRequestsViewModel(config, std::move(filterDeviceId), this))
{
    setObjectName(u"MacUnlockRequestsView"_s);
    setMinimumSize(360, 320);
    setWindowTitle(L10n::localized("解锁申请处理"));

    auto* layout = new QVBoxLayout(this);
    m_spinner = new QLabel(u"…"_s, this);
    m_spinner->setObjectName(u"loading"_s);
    m_refresh = new QPushButton(L10n::localized("刷新"), this);
    m_refresh->setObjectName(u"refresh"_s);
    auto* done = SheetTitleRow::add(layout, this, L10n::localized("解锁申请处理"), nullptr,
                                    { m_spinner, m_refresh });

    m_error = new QLabel(this);
    m_error->setObjectName(u"error"_s);
    m_error->setWordWrap(true);
    m_error->setProperty("role", u"smallError"_s);
    layout->addWidget(m_error);

    auto* section = new QLabel(L10n::localized("待处理申请"), this);
    section->setProperty("role", u"heading"_s);
    layout->addWidget(section);

    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    m_list = new QWidget(scroll);
    m_listLayout = new QVBoxLayout(m_list);
    m_listLayout->setContentsMargins(0, 0, 0, 0);
    scroll->setWidget(m_list);
    layout->addWidget(scroll, 1);

    connect(m_refresh, &QPushButton::clicked, this, [this] { m_model->load(); });
    connect(done, &QPushButton::clicked, this, &MacUnlockRequestsView::dismissRequested);
    connect(m_model, &MacUnlockRequestsViewModel::changed, this, &MacUnlockRequestsView::render);
    render();
}

MacUnlockRequestsView::~MacUnlockRequestsView() = default;

void MacUnlockRequestsView::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_loadedOnce) {
        m_loadedOnce = true;
        m_model->load();
    }
}

void MacUnlockRequestsView::render()
{
    m_spinner->setVisible(m_model->isLoading());
    m_refresh->setVisible(!m_model->isLoading());
    m_error->setText(m_model->errorMessage().value_or(QString()));
    m_error->setVisible(m_model->errorMessage().has_value());

    while (auto* item = m_listLayout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const auto visible = m_model->visibleRequests();
    // Loading, failed and empty are three different states: "none" is said only after a read
    // that worked.
    if (visible.isEmpty() && m_loadedOnce && !m_model->isLoading() && !m_model->errorMessage()) {
        auto* empty = new QLabel(L10n::localized("当前没有待处理的解锁申请。"), m_list);
        empty->setObjectName(u"empty"_s);
        empty->setProperty("role", u"muted"_s);
        m_listLayout->addWidget(empty);
    }
    for (const auto& request : visible) {
        auto* card = new QFrame(m_list);
        card->setObjectName(u"request-"_s + request.id);
        card->setFrameShape(QFrame::StyledPanel);
        auto* cardLayout = new QVBoxLayout(card);
        cardLayout->addWidget(new QLabel(m_model->deviceLine(request), card));
        if (const auto reason = m_model->reasonLine(request)) {
            cardLayout->addWidget(captionLabel(*reason, card));
        }
        if (const auto minutes = m_model->requestedMinutesLine(request)) {
            cardLayout->addWidget(captionLabel(*minutes, card));
        }
        auto* buttons = new QHBoxLayout;
        auto* approve = new QPushButton(L10n::localized("同意解锁"), card);
        approve->setObjectName(u"approve"_s);
        approve->setDefault(true);
        auto* reject = new QPushButton(L10n::localized("拒绝"), card);
        reject->setObjectName(u"reject"_s);
        buttons->addWidget(approve);
        buttons->addWidget(reject);
        buttons->addStretch();
        cardLayout->addLayout(buttons);
        connect(approve, &QPushButton::clicked, this, [this, request] { m_model->beginApproval(request); });
        connect(reject, &QPushButton::clicked, this,
                [this, request] { m_model->decide(request, u"reject"_s, std::nullopt); });
        m_listLayout->addWidget(card);
    }
    m_listLayout->addStretch();
    renderExtendSheet();
}

void MacUnlockRequestsView::renderExtendSheet()
{
    if (!m_model->isShowingExtendSheet()) {
        if (m_extendSheet) {
            m_extendSheet->hide();
        }
        return;
    }
    if (!m_extendSheet) {
        m_extendSheet = new QDialog(this);
        m_extendSheet->setObjectName(u"extendMinutesSheet"_s);
        m_extendSheet->setFixedSize(340, 260);
        auto* layout = new QVBoxLayout(m_extendSheet);
        layout->setContentsMargins(24, 24, 24, 24);
        auto* title = new QLabel(L10n::localized("本次解锁使用时长约定"), m_extendSheet);
        title->setProperty("role", u"heading"_s);
        layout->addWidget(title);
        m_sheetDevice = new QLabel(m_extendSheet);
        layout->addWidget(m_sheetDevice);
        layout->addWidget(captionLabel(
            L10n::localized(
                "请输入本次额外允许使用的分钟数，解锁后孩子设备将在本日剩余使用上限的基础上增加该时长。"),
            m_extendSheet));
        layout->addWidget(captionLabel(
            L10n::localized(
                "建议根据当前场景与孩子约定一个明确的本次使用时长，例如完成某项任务后再额外使用 15 分钟。"),
            m_extendSheet));
        auto* row = new QHBoxLayout;
        m_minutesField = new QLineEdit(m_extendSheet);
        m_minutesField->setObjectName(u"minutes"_s);
        m_minutesField->setFixedWidth(80);
        m_minutesField->setPlaceholderText(L10n::localized("例如 15"));
        row->addWidget(m_minutesField);
        row->addWidget(new QLabel(L10n::localized("分钟"), m_extendSheet));
        row->addStretch();
        layout->addLayout(row);
        layout->addStretch();
        auto* buttons = new QHBoxLayout;
        buttons->addStretch();
        auto* cancel = new QPushButton(L10n::localized("取消"), m_extendSheet);
        cancel->setObjectName(u"cancel"_s);
        auto* confirm = new QPushButton(L10n::localized("确认并同意解锁"), m_extendSheet);
        confirm->setObjectName(u"confirm"_s);
        confirm->setDefault(true);
        buttons->addWidget(cancel);
        buttons->addWidget(confirm);
        layout->addLayout(buttons);
        connect(m_minutesField, &QLineEdit::textEdited, m_model,
                &MacUnlockRequestsViewModel::setExtendMinutesInput);
        connect(cancel, &QPushButton::clicked, m_model, &MacUnlockRequestsViewModel::cancelApproval);
        connect(confirm, &QPushButton::clicked, m_model, [this] { m_model->confirmApproval(); });
        // Closing the sheet by its window button is a cancel.
        connect(m_extendSheet, &QDialog::rejected, m_model, [this] {
            if (m_model->isShowingExtendSheet()) {
                m_model->cancelApproval();
            }
        });
    }
    if (m_minutesField->text() != m_model->extendMinutesInput()) {
        m_minutesField->setText(m_model->extendMinutesInput());
    }
    m_sheetDevice->setText(m_model->sheetDeviceLine());
    m_sheetDevice->setVisible(m_model->pendingRequest().has_value());
    m_extendSheet->show();
}
