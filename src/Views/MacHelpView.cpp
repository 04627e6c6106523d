#include "Views/MacHelpView.h"

#include "Models/L10n.h"
#include "Services/MacHelpContent.h"
#include "Views/SheetTitleRow.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QLabel* wrapped(const QString& text, const QString& role, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setProperty("role", role);
    return label;
}

} // namespace

MacHelpView::MacHelpView(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(u"MacHelpView"_s);
    setMinimumSize(420, 520);
    setWindowTitle(L10n::localized("使用帮助"));
    auto* layout = new QVBoxLayout(this);
    auto* done = SheetTitleRow::add(layout, this, L10n::localized("使用帮助"));
    connect(done, &QPushButton::clicked, this, &MacHelpView::dismissRequested);

    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* content = new QWidget(scroll);
    auto* column = new QVBoxLayout(content);
    column->setSpacing(20);
    column->setContentsMargins(24, 24, 24, 24);
    auto* introduction = wrapped(MacHelpContent::introduction(), u"secondary"_s, content);
    introduction->setObjectName(u"introduction"_s);
    column->addWidget(introduction);
    column->addWidget(wrapped(MacHelpContent::testingNote(), u"caption"_s, content));
    for (const auto& block : MacHelpContent::blocks()) {
        auto* blockWidget = new QWidget(content);
        blockWidget->setObjectName(u"helpBlock"_s);
        auto* blockLayout = new QVBoxLayout(blockWidget);
        blockLayout->setContentsMargins(0, 0, 0, 0);
        blockLayout->addWidget(wrapped(block.title, u"heading"_s, blockWidget));
        blockLayout->addWidget(wrapped(block.body, u"secondary"_s, blockWidget));
        column->addWidget(blockWidget);
    }
    column->addStretch();
    scroll->setWidget(content);
    layout->addWidget(scroll, 1);
}

MacHelpView::~MacHelpView() = default;
