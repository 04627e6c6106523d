#pragma once

#include <QList>
#include <QString>

class QBoxLayout;
class QPushButton;
class QWidget;

// The title row every secondary sheet starts with: the title and a "完成" button.
namespace SheetTitleRow {

// Adds the row to `layout` and returns its "完成" button (object name "done"). A sheet may put an
// icon before the title and its own controls (a refresh, a busy sign) between title and button.
QPushButton* add(QBoxLayout* layout, QWidget* parent, const QString& title, QWidget* leading = nullptr,
                 const QList<QWidget*>& trailing = {});

} // namespace SheetTitleRow
