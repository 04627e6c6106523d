#include "Views/MacFeedbackView.h"

#include "Models/L10n.h"
#include "Models/NamedTexts.h"
#include "Services/MacFeedbackViewModel.h"
#include "Views/AlertPresenter.h"
#include "Views/SheetTitleRow.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QLabel* footer(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setProperty("role", u"caption"_s);
    return label;
}

} // namespace

MacFeedbackView::MacFeedbackView(RemoteBackendConfig& config, const AppBundle& bundle, AlertPresenter& alerts,
                                 QWidget* parent)
    : QDialog(parent)
    , m_alerts(alerts)
    , m_model(new MacFeedbackViewModel(config, bundle, this))
{
    setObjectName(u"MacFeedbackView"_s);
    setFixedSize(420, 480);
    setWindowTitle(L10n::localized("意见反馈"));
    auto* layout = new QVBoxLayout(this);
    auto* done = SheetTitleRow::add(layout, this, L10n::localized("意见反馈"));
    connect(done, &QPushButton::clicked, this, &MacFeedbackView::dismissRequested);

    auto* categoryBox = new QGroupBox(L10n::localized("问题类型"), this);
    auto* categoryLayout = new QHBoxLayout(categoryBox);
    m_category = new QButtonGroup(this);
    const QList<std::pair<QString, QString>> categories { { L10n::localized("功能异常"), u"bug"_s },
                                                          { L10n::localized("功能建议"), u"suggestion"_s },
                                                          { L10n::localized("其他"), u"other"_s } };
    for (const auto& [title, value] : categories) {
        auto* button = new QPushButton(title, categoryBox);
        button->setObjectName(u"category-"_s + value);
        button->setCheckable(true);
        button->setProperty("value", value);
        m_category->addButton(button);
        categoryLayout->addWidget(button);
    }
    layout->addWidget(categoryBox);

    auto* contentBox = new QGroupBox(L10n::localized("问题与建议（必填）"), this);
    auto* contentLayout = new QVBoxLayout(contentBox);
    m_content = new QPlainTextEdit(contentBox);
    m_content->setObjectName(u"content"_s);
    m_content->setMinimumHeight(120);
    contentLayout->addWidget(m_content);
    contentLayout->addWidget(footer(NamedTexts::feedbackContentFooter(), contentBox));
    layout->addWidget(contentBox, 1);

    auto* contactBox = new QGroupBox(L10n::localized("联系方式（可选）"), this);
    auto* contactLayout = new QVBoxLayout(contactBox);
    m_contact = new QLineEdit(contactBox);
    m_contact->setObjectName(u"contact"_s);
    m_contact->setPlaceholderText(NamedTexts::contactPlaceholder());
    contactLayout->addWidget(m_contact);
    contactLayout->addWidget(footer(NamedTexts::contactFooter(), contactBox));
    layout->addWidget(contactBox);

    m_submit = new QPushButton(L10n::localized("提交反馈"), this);
    m_submit->setObjectName(u"submit"_s);
    m_submit->setDefault(true);
    layout->addWidget(m_submit);

    connect(m_category, &QButtonGroup::buttonClicked, m_model,
            [this](QAbstractButton* button) { m_model->setCategory(button->property("value").toString()); });
    connect(m_content, &QPlainTextEdit::textChanged, m_model,
            [this] { m_model->setContent(m_content->toPlainText()); });
    connect(m_contact, &QLineEdit::textEdited, m_model, &MacFeedbackViewModel::setContact);
    connect(m_submit, &QPushButton::clicked, m_model, [this] { m_model->submit(); });
    connect(m_model, &MacFeedbackViewModel::dismissRequested, this, &MacFeedbackView::dismissRequested);
    connect(m_model, &MacFeedbackViewModel::changed, this, &MacFeedbackView::render);
    render();
}

MacFeedbackView::~MacFeedbackView() = default;

void MacFeedbackView::render()
{
    for (auto* button : m_category->buttons()) {
        button->setChecked(button->property("value").toString() == m_model->category());
    }
    m_submit->setEnabled(m_model->canSubmit());
    m_submit->setText(m_model->isSubmitting() ? u"…"_s : L10n::localized("提交反馈"));
    if (m_model->alertMessage() && !m_alertScheduled) {
        // Shown from the event loop, not from inside the submission that set the message, so a
        // modal alert never holds the submission up.
        m_alertScheduled = true;
        QTimer::singleShot(0, this, &MacFeedbackView::showAlert);
    }
}

void MacFeedbackView::showAlert()
{
    m_alertScheduled = false;
    const auto message = m_model->alertMessage();
    if (!message) {
        return;
    }
    // The thank-you closes the form while the alert is still up, which deletes this view.
    const QPointer<MacFeedbackView> self(this);
    m_alerts.runModal({ L10n::localized("提示"), *message, { L10n::localized("好的") } });
    if (self) {
        m_model->clearAlert();
    }
}
