#pragma once

#include <QIcon>
#include <QString>
#include <QStringList>

// The screens name their icons by symbol ("lock.shield.fill"); this is the one table that turns
// such a name into a bundled SVG, so a missing icon shows up in one place and in its test.
namespace SymbolIcon {
// Every symbol name a screen uses.
QStringList knownSymbols();
// The resource path of the symbol's SVG, or empty for a name outside the table.
QString resourcePath(const QString& symbol);
// The icon, drawn in `color` (the bundled SVGs are monochrome shapes); a null icon for an
// unknown name.
QIcon icon(const QString& symbol, const QColor& color = QColor(0x33, 0x33, 0x33));
QPixmap pixmap(const QString& symbol, int size, const QColor& color = QColor(0x33, 0x33, 0x33));
} // namespace SymbolIcon
