#include "Views/SheetTitleRow.h"

#include "Models/L10n.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace SheetTitleRow {

QPushButton* add(QBoxLayout* layout, QWidget* parent, const QString& title, QWidget* leading,
                 const QList<QWidget*>& trailing)
{
    auto* row = new QHBoxLayout;
    if (leading) {
        row->addWidget(leading);
    }
    auto* label = new QLabel(title, parent);
    label->setObjectName(u"title"_s);
    label->setProperty("role", u"title"_s);
    row->addWidget(label, 1);
    for (auto* widget : trailing) {
        row->addWidget(widget);
    }
    auto* done = new QPushButton(L10n::localized("完成"), parent);
    done->setObjectName(u"done"_s);
    row->addWidget(done);
    layout->addLayout(row);
    return done;
}

} // namespace SheetTitleRow
