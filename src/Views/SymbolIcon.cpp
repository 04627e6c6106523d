#include "Views/SymbolIcon.h"

#include <QColor>
#include <QFile>
#include <QHash>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

using namespace Qt::StringLiterals;

namespace {

// Symbol name → bundled file (under :/icons/). The files are Adwaita symbolic icons; see
// resources/icons/LICENSE.txt for their origin.
const QHash<QString, QString>& table()
{
    static const QHash<QString, QString> entries {
        { u"lock.shield.fill"_s, u"lock.shield.fill.svg"_s },
        { u"person.2.fill"_s, u"person.2.fill.svg"_s },
        { u"figure.stand"_s, u"figure.stand.svg"_s },
        { u"person.2.badge.gearshape"_s, u"person.2.badge.gearshape.svg"_s },
        { u"ellipsis.circle"_s, u"ellipsis.circle.svg"_s },
        { u"paperplane"_s, u"paperplane.svg"_s },
        { u"lock.open"_s, u"lock.open.svg"_s },
        { u"laptopcomputer.and.iphone"_s, u"laptopcomputer.and.iphone.svg"_s },
        { u"chevron.right"_s, u"chevron.right.svg"_s },
        { u"questionmark.circle"_s, u"questionmark.circle.svg"_s },
        { u"bubble.left.and.bubble.right"_s, u"bubble.left.and.bubble.right.svg"_s },
        { u"info.circle"_s, u"info.circle.svg"_s },
        { u"link"_s, u"link.svg"_s },
    };
    return entries;
}

} // namespace

namespace SymbolIcon {

QStringList knownSymbols()
{
    QStringList names = table().keys();
    names.sort();
    return names;
}

QString resourcePath(const QString& symbol)
{
    const auto it = table().constFind(symbol);
    return it == table().cend() ? QString() : u":/icons/"_s + *it;
}

QPixmap pixmap(const QString& symbol, int size, const QColor& color)
{
    const QString path = resourcePath(symbol);
    if (path.isEmpty()) {
        return {};
    }
    QSvgRenderer renderer(path);
    if (!renderer.isValid()) {
        return {};
    }
    QPixmap result(size, size);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    renderer.render(&painter, QRectF(0, 0, size, size));
    // Recolour the shape, keeping its coverage.
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(result.rect(), color);
    return result;
}

QIcon icon(const QString& symbol, const QColor& color)
{
    if (resourcePath(symbol).isEmpty()) {
        return {};
    }
    QIcon result;
    for (const int size : { 16, 24, 32, 48, 64 }) {
        result.addPixmap(pixmap(symbol, size, color));
    }
    return result;
}

} // namespace SymbolIcon
