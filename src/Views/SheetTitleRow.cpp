#include "Views/SheetTitleRow.h"

#include "Models/L10n.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace SheetTitleRow {

QPushButton* add(QBoxLayout* layout, QWidget* parent, const QString& title)
{
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(title, parent);
    label->setObjectName(u"title"_s);
    label->setStyleSheet(u"font-weight: 600; font-size: 15px;"_s);
    row->addWidget(label, 1);
    auto* done = new QPushButton(L10n::localized("完成"), parent);
    done->setObjectName(u"done"_s);
    row->addWidget(done);
    layout->addLayout(row);
    return done;
}

} // namespace SheetTitleRow
