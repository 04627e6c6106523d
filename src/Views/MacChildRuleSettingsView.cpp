#include "Views/MacChildRuleSettingsView.h"

#include "Models/L10n.h"
#include "Services/MacChildRuleSettingsViewModel.h"
#include "Views/AlertPresenter.h"
#include "Views/SheetTitleRow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

QLabel* caption(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setProperty("role", u"caption"_s);
    return label;
}

void selectIndex(QComboBox* box, int index)
{
    const QSignalBlocker blocker(box);
    box->setCurrentIndex(index);
}

} // namespace

MacChildRuleSettingsView::MacChildRuleSettingsView(DeviceListItem device, RemoteBackendConfig& config,
                                                   AlertPresenter& alerts, QWidget* parent)
    : QDialog(parent)
    , m_alerts(alerts)
    , m_model(new MacChildRuleSettingsViewModel(std::move(device), config, this))
{
    setObjectName(u"MacChildRuleSettingsView"_s);
    setMinimumSize(460, 500);
    setWindowTitle(m_model->title());

    auto* layout = new QVBoxLayout(this);
    auto* icon = new QLabel(this);
    icon->setPixmap(QIcon::fromTheme(u"security-high"_s).pixmap(20, 20));
    auto* done = SheetTitleRow::add(layout, this, m_model->title(), icon);

    m_stack = new QStackedWidget(this);
    layout->addWidget(m_stack, 1);
    auto* loading = new QLabel(L10n::localized("加载中…"), m_stack);
    loading->setObjectName(u"loading"_s);
    loading->setAlignment(Qt::AlignCenter);
    m_stack->addWidget(loading);

    auto* scroll = new QScrollArea(m_stack);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* content = new QWidget(scroll);
    auto* column = new QVBoxLayout(content);
    m_error = new QLabel(content);
    m_error->setObjectName(u"error"_s);
    m_error->setWordWrap(true);
    m_error->setProperty("role", u"smallError"_s);
    column->addWidget(m_error);
    m_health = caption(QString(), content);
    m_health->setObjectName(u"health"_s);
    column->addWidget(m_health);

    auto* limitRow = new QHBoxLayout;
    limitRow->addWidget(new QLabel(L10n::localized("每日上限（分钟）"), content));
    m_dailyLimit = new QLineEdit(content);
    m_dailyLimit->setObjectName(u"dailyLimit"_s);
    m_dailyLimit->setFixedWidth(80);
    limitRow->addWidget(m_dailyLimit);
    limitRow->addWidget(new QLabel(L10n::localized("分钟"), content));
    limitRow->addStretch();
    column->addLayout(limitRow);
    m_dailyLimitError = new QLabel(content);
    m_dailyLimitError->setObjectName(u"dailyLimitError"_s);
    m_dailyLimitError->setWordWrap(true);
    m_dailyLimitError->setProperty("role", u"smallError"_s);
    column->addWidget(m_dailyLimitError);

    column->addWidget(new QLabel(L10n::localized("禁用时段"), content));
    m_start = timePicker(
        L10n::localized("从"), 24, content, [this] { return m_model->workingPolicy().blockedStart; },
        [this](DateComponents value) { m_model->setBlockedStart(value); });
    m_start.hour->setObjectName(u"startHour"_s);
    m_start.minute->setObjectName(u"startMinute"_s);
    m_end = timePicker(
        L10n::localized("到次日"), 52, content, [this] { return m_model->workingPolicy().blockedEnd; },
        [this](DateComponents value) { m_model->setBlockedEnd(value); });
    m_end.hour->setObjectName(u"endHour"_s);
    m_end.minute->setObjectName(u"endMinute"_s);
    for (const auto& editor : { m_start, m_end }) {
        auto* row = new QHBoxLayout;
        row->addWidget(editor.hour->parentWidget());
        row->addStretch();
        column->addLayout(row);
    }

    m_forceLocked = new QCheckBox(L10n::localized("立即锁定"), content);
    m_forceLocked->setObjectName(u"forceLocked"_s);
    column->addWidget(m_forceLocked);
    auto* unlockRow = new QHBoxLayout;
    m_unlockUntil = new QLabel(content);
    m_unlockUntil->setObjectName(u"unlockUntil"_s);
    m_unlockUntil->setProperty("role", u"accentStrong"_s);
    unlockRow->addWidget(m_unlockUntil);
    m_endUnlock = new QPushButton(L10n::localized("立即结束"), content);
    m_endUnlock->setObjectName(u"endUnlock"_s);
    m_endUnlock->setAutoDefault(false);
    unlockRow->addWidget(m_endUnlock);
    unlockRow->addStretch();
    column->addLayout(unlockRow);
    column->addWidget(
        caption(L10n::localized(
                    "受控应用需在孩子设备上完成一次性选择；此处仅可远程调整每日时长、禁用时段与立即锁定。"),
                content));

    auto* actions = new QHBoxLayout;
    m_copy = new QPushButton(L10n::localized("用到其他孩子"), content);
    m_copy->setObjectName(u"applyToOthers"_s);
    m_copy->setAutoDefault(false);
    m_save = new QPushButton(L10n::localized("保存规则"), content);
    m_save->setObjectName(u"save"_s);
    m_save->setDefault(true);
    actions->addWidget(m_copy);
    actions->addStretch();
    actions->addWidget(m_save);
    column->addLayout(actions);

    auto* divider = new QFrame(content);
    divider->setFrameShape(QFrame::HLine);
    column->addWidget(divider);
    auto* deleteCard = new QFrame(content);
    deleteCard->setFrameShape(QFrame::StyledPanel);
    auto* deleteLayout = new QVBoxLayout(deleteCard);
    auto* deleteTitle = new QLabel(L10n::localized("删除孩子设备"), deleteCard);
    deleteTitle->setProperty("role", u"dangerHeading"_s);
    deleteLayout->addWidget(deleteTitle);
    deleteLayout->addWidget(
        caption(L10n::localized(
                    "删除后，该孩子设备将不再受家庭规则管理，不再统计用量，也无法再接收远程锁定与解锁指令。"
                    "如需重新纳入管理，需在孩子设备上重新加入家庭。"),
                deleteCard));
    auto* remove = new QPushButton(L10n::localized("删除此设备"), deleteCard);
    remove->setObjectName(u"delete"_s);
    remove->setProperty("role", u"error"_s);
    // Neither Return nor a focus that moved on by itself (the save button is disabled while it
    // runs) may reach a deletion.
    remove->setAutoDefault(false);
    remove->setFocusPolicy(Qt::NoFocus);
    deleteLayout->addWidget(remove, 0, Qt::AlignLeft);
    column->addWidget(deleteCard);
    column->addStretch();
    scroll->setWidget(content);
    m_stack->addWidget(scroll);

    connect(done, &QPushButton::clicked, this, &MacChildRuleSettingsView::dismissRequested);
    connect(m_model, &MacChildRuleSettingsViewModel::dismissRequested, this,
            &MacChildRuleSettingsView::dismissRequested);
    connect(m_dailyLimit, &QLineEdit::textEdited, m_model, &MacChildRuleSettingsViewModel::setDailyLimitText);
    connect(m_endUnlock, &QPushButton::clicked, m_model, [this] { m_model->endTemporaryUnlock(); });
    connect(m_forceLocked, &QCheckBox::toggled, m_model, &MacChildRuleSettingsViewModel::setForceLocked);
    connect(m_copy, &QPushButton::clicked, m_model, [this] { m_model->applyToOtherChildren(); });
    connect(m_save, &QPushButton::clicked, m_model, [this] { m_model->save(); });
    connect(remove, &QPushButton::clicked, this, &MacChildRuleSettingsView::confirmDelete);
    connect(m_model, &MacChildRuleSettingsViewModel::changed, this, &MacChildRuleSettingsView::render);
    render();
}

MacChildRuleSettingsView::~MacChildRuleSettingsView()
{
    if (m_appeared) {
        m_model->disappear();
    }
}

MacChildRuleSettingsView::TimeEditor
MacChildRuleSettingsView::timePicker(const QString& label, int labelWidth, QWidget* parent,
                                     std::function<DateComponents()> read,
                                     std::function<void(DateComponents)> write)
{
    auto* box = new QWidget(parent);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    auto* text = new QLabel(label, box);
    // The Chinese labels fit the given width; a longer translation widens it rather than clipping.
    text->setFixedWidth(std::max(labelWidth, text->sizeHint().width()));
    row->addWidget(text);
    auto* hour = new QComboBox(box);
    hour->setMinimumWidth(72);
    for (const int value : MacChildRuleSettingsViewModel::hourChoices()) {
        hour->addItem(QString::asprintf("%02d", value), value);
    }
    row->addWidget(hour);
    row->addWidget(new QLabel(u":"_s, box));
    auto* minute = new QComboBox(box);
    minute->setMinimumWidth(72);
    for (const int value : MacChildRuleSettingsViewModel::minuteChoices()) {
        minute->addItem(QString::asprintf("%02d", value), value);
    }
    row->addWidget(minute);
    connect(hour, &QComboBox::activated, m_model, [read, write, hour](int index) {
        write(MacChildRuleSettingsViewModel::withHour(read(), hour->itemData(index).toInt()));
    });
    connect(minute, &QComboBox::activated, m_model, [read, write, minute](int index) {
        write(MacChildRuleSettingsViewModel::withMinute(read(), minute->itemData(index).toInt()));
    });
    return { hour, minute };
}

void MacChildRuleSettingsView::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_appeared) {
        m_appeared = true;
        m_model->appear();
    }
}

void MacChildRuleSettingsView::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    if (m_appeared) {
        m_appeared = false;
        m_model->disappear();
    }
}

void MacChildRuleSettingsView::confirmDelete()
{
    const QPointer<MacChildRuleSettingsView> self(this);
    // The harmless answer comes first and is the default.
    const auto answer = m_alerts.runModal(
        { L10n::format(L10n::localized("确定删除「%@」吗？"), { m_model->device().name }),
          L10n::localized(
              "删除后，该孩子设备将不再受家庭规则管理，不再统计用量，也无法再接收远程锁定与解锁指令。"
              "如需重新纳入管理，需在孩子设备上重新加入家庭。"),
          { L10n::localized("取消"), L10n::localized("删除") },
          false });
    if (self && answer.button == 1) {
        m_model->deleteChild();
    }
}

void MacChildRuleSettingsView::render()
{
    m_stack->setCurrentIndex(m_model->isLoading() ? 0 : 1);
    m_error->setText(m_model->errorMessage().value_or(QString()));
    m_error->setVisible(m_model->errorMessage().has_value());
    m_health->setText(m_model->healthSummary().value_or(QString()));
    m_health->setVisible(m_model->healthSummary().has_value());

    const auto policy = m_model->workingPolicy();
    // A refused entry stays as typed, beside its message, until corrected.
    if (!m_dailyLimit->hasFocus() && !m_model->dailyLimitError()) {
        m_dailyLimit->setText(QLocale().toString(policy.dailyLimitMinutes));
    }
    selectIndex(m_start.hour, MacChildRuleSettingsViewModel::hourIndex(policy.blockedStart));
    selectIndex(m_start.minute, MacChildRuleSettingsViewModel::minuteIndex(policy.blockedStart));
    selectIndex(m_end.hour, MacChildRuleSettingsViewModel::hourIndex(policy.blockedEnd));
    selectIndex(m_end.minute, MacChildRuleSettingsViewModel::minuteIndex(policy.blockedEnd));
    {
        const QSignalBlocker blocker(m_forceLocked);
        m_forceLocked->setChecked(policy.forceLocked);
    }
    m_dailyLimitError->setText(m_model->dailyLimitError().value_or(QString()));
    m_dailyLimitError->setVisible(m_model->dailyLimitError().has_value());
    const auto unlock = m_model->runningUnlockText();
    m_unlockUntil->setText(unlock.value_or(QString()));
    m_unlockUntil->setVisible(unlock.has_value());
    m_endUnlock->setVisible(unlock.has_value());
    m_endUnlock->setEnabled(!m_model->isSaving());
    m_copy->setEnabled(!m_model->isSaving());
    // Not disabled while a save runs (the model ignores a second one): a disabled focused button
    // would hand the focus on to whatever comes next.
    m_save->setEnabled(!m_model->dailyLimitError());
    m_save->setText(m_model->isSaving() ? u"…"_s : L10n::localized("保存规则"));
}
