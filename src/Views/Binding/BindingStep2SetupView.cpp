#include "Views/Binding/BindingStep2SetupView.h"

#include "Models/L10n.h"
#include "Models/NamedTexts.h"
#include "Models/RemoteBackendConfig.h"
#include "Services/BindingViewModel.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QLabel* wrapped(const QString& text, const QString& name = QString())
{
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    label->setObjectName(name);
    return label;
}

QLabel* heading(const QString& text)
{
    auto* label = new QLabel(text);
    QFont font = label->font();
    font.setPointSize(font.pointSize() + 3);
    font.setBold(true);
    label->setFont(font);
    return label;
}

} // namespace

BindingStep2SetupView::BindingStep2SetupView(BindingStepContext context, bool isParent, QWidget* parent)
    : QWidget(parent)
    , m_context(context)
    , m_isParent(isParent)
{
    auto* layout = new QVBoxLayout(this);
    BindingViewModel& vm = m_context.viewModel;
    m_deviceName = new QLineEdit;
    m_deviceName->setObjectName(u"deviceNameInput"_s);
    m_code = new QLineEdit;
    // A failed create or join says why right under its button, not at the foot of the wizard.
    m_error = wrapped(QString(), u"setupError"_s);
    m_error->setProperty("role", u"error"_s);

    if (m_isParent) {
        layout->addWidget(heading(L10n::localized("创建或恢复家庭")));
        // clang-format off
        m_firstUseHint = wrapped(L10n::localized("首次使用请点「创建新家庭」，记下 6 位家庭码后让孩子加入。若曾创建或重装，可输入原家庭码「恢复家庭」。"),
                                 u"firstUseHint"_s);
        // clang-format on
        layout->addWidget(m_firstUseHint);
        m_boundBox = new QWidget;
        auto* bound = new QVBoxLayout(m_boundBox);
        bound->setContentsMargins(0, 0, 0, 0);
        bound->addWidget(wrapped(L10n::localized(
            "本设备已绑定上述家庭。可重新创建家庭（将获得新码）或清除本地信息后恢复/创建。")));
        m_currentCode = wrapped(QString(), u"currentFamilyCode"_s);
        bound->addWidget(m_currentCode);
        auto* clear = new QPushButton(L10n::localized("清除本地家庭信息"));
        clear->setObjectName(u"clearLocalFamilyButton"_s);
        bound->addWidget(clear, 0, Qt::AlignLeft);
        connect(clear, &QPushButton::clicked, this,
                [this] { m_context.viewModel.clearLocalFamilyInfo(m_context.backendConfig); });
        layout->addWidget(m_boundBox);

        m_deviceName->setPlaceholderText(NamedTexts::parentNicknamePlaceholder());
        layout->addWidget(m_deviceName);
        layout->addWidget(
            wrapped(L10n::localized("创建后将获得 6 位家庭码，请让孩子设备输入该家庭码加入。")));
        m_primary = new QPushButton(L10n::localized("创建家庭"));
        m_primary->setObjectName(u"createFamilyButton"_s);
        layout->addWidget(m_primary);
        layout->addWidget(m_error);
        connect(m_primary, &QPushButton::clicked, this,
                [this] { m_context.viewModel.createFamily(m_context.backendConfig); });

        m_code->setObjectName(u"recoverFamilyCodeInput"_s);
        m_code->setPlaceholderText(L10n::localized("输入已有家庭码（6 位）"));
        layout->addWidget(m_code);
        m_invitation = new QLineEdit;
        m_invitation->setObjectName(u"invitationCodeInput"_s);
        m_invitation->setPlaceholderText(L10n::localized("邀请码（在已绑定的家长电脑上生成）"));
        layout->addWidget(m_invitation);
        connect(m_invitation, &QLineEdit::textEdited, &vm, &BindingViewModel::setInvitationCodeInput);
        connect(&vm, &BindingViewModel::invitationChanged, this, &BindingStep2SetupView::refresh);
        m_recover = new QPushButton(L10n::localized("恢复家庭"));
        m_recover->setObjectName(u"recoverFamilyButton"_s);
        layout->addWidget(m_recover);
        connect(m_recover, &QPushButton::clicked, this,
                [this] { m_context.viewModel.recoverFamily(m_context.backendConfig); });
        connect(m_code, &QLineEdit::textEdited, &vm, &BindingViewModel::setRecoverFamilyCode);
        connect(&vm, &BindingViewModel::recoverFamilyCodeChanged, this, &BindingStep2SetupView::refresh);
        connect(&m_context.backendConfig, &RemoteBackendConfig::familyCodeChanged, this,
                &BindingStep2SetupView::refresh);
    } else {
        layout->addWidget(wrapped(L10n::localized("请输入家长提供的 6 位家庭码。")));
        m_code->setObjectName(u"familyCodeInput"_s);
        m_code->setPlaceholderText(L10n::localized("家庭码"));
        layout->addWidget(m_code);
        m_deviceName->setPlaceholderText(NamedTexts::childNicknamePlaceholder());
        layout->addWidget(m_deviceName);
        m_primary = new QPushButton(L10n::localized("加入家庭"));
        m_primary->setObjectName(u"joinFamilyButton"_s);
        layout->addWidget(m_primary);
        layout->addWidget(m_error);
        connect(m_primary, &QPushButton::clicked, this,
                [this] { m_context.viewModel.joinFamily(m_context.backendConfig); });
        connect(m_code, &QLineEdit::textEdited, &vm, &BindingViewModel::setFamilyCodeInput);
        connect(&vm, &BindingViewModel::familyCodeInputChanged, this, &BindingStep2SetupView::refresh);
    }
    layout->addStretch();
    connect(m_deviceName, &QLineEdit::textEdited, &vm, &BindingViewModel::setDeviceName);
    connect(&vm, &BindingViewModel::deviceNameChanged, this, &BindingStep2SetupView::refresh);
    connect(&vm, &BindingViewModel::isBusyChanged, this, &BindingStep2SetupView::refresh);
    connect(&vm, &BindingViewModel::messagesChanged, this, &BindingStep2SetupView::refresh);
    refresh();
}

void BindingStep2SetupView::refresh()
{
    const BindingViewModel& vm = m_context.viewModel;
    if (m_deviceName->text() != vm.deviceName()) {
        m_deviceName->setText(vm.deviceName());
    }
    const QString code = m_isParent ? vm.recoverFamilyCode() : vm.familyCodeInput();
    if (m_code->text() != code) {
        m_code->setText(code);
    }
    m_error->setText(vm.errorMessage().value_or(QString()));
    m_error->setVisible(vm.errorMessage().has_value());
    // While a flow runs the buttons say so instead of their action.
    const QString busy = QStringLiteral("…");
    if (m_isParent) {
        const QString stored = m_context.backendConfig.familyCode();
        m_firstUseHint->setVisible(stored.isEmpty());
        m_boundBox->setVisible(!stored.isEmpty());
        m_currentCode->setText(L10n::format(L10n::localized("当前家庭码：%@"), { stored }));
        m_primary->setEnabled(vm.canCreateFamily());
        m_primary->setText(vm.isBusy() ? busy : L10n::localized("创建家庭"));
        m_invitation->setVisible(vm.needsInvitationCode());
        if (m_invitation->text() != vm.invitationCodeInput()) {
            m_invitation->setText(vm.invitationCodeInput());
        }
        m_recover->setEnabled(vm.canRecoverFamily());
        m_recover->setText(vm.isBusy() ? busy : L10n::localized("恢复家庭"));
    } else {
        m_primary->setEnabled(vm.canJoinFamily());
        m_primary->setText(vm.isBusy() ? busy : L10n::localized("加入家庭"));
    }
}
