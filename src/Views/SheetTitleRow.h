#pragma once

#include <QString>

class QBoxLayout;
class QPushButton;
class QWidget;

// The title row every secondary sheet starts with: the title and a "完成" button.
namespace SheetTitleRow {

// Adds the row to `layout` and returns its "完成" button (object name "done").
QPushButton* add(QBoxLayout* layout, QWidget* parent, const QString& title);

} // namespace SheetTitleRow
