#pragma once

class QApplication;

// The look of the screens lives in one bundled style sheet (resources/style/vantorel.qss); widgets
// choose from it by object name or by their "role" property instead of carrying styles of their own.
namespace AppStyleSheet {
void apply(QApplication& application);
} // namespace AppStyleSheet
