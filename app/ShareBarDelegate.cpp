// The share bar behind a number.
#include "ShareBarDelegate.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <QStyle>

#include <algorithm>
#include <cmath>

namespace {

// How much of the bar's colour covers the row: enough to be seen at a glance, little enough that
// the text over it keeps its contrast in light and dark palettes alike.
constexpr int kBarAlpha = 96;
constexpr int kSelectedBarAlpha = 72;
constexpr int kBarInset = 2;

QPalette::ColorGroup GroupOf(const QStyleOptionViewItem& option)
{
    if (!(option.state & QStyle::State_Enabled))
        return QPalette::Disabled;
    return (option.state & QStyle::State_Active) ? QPalette::Normal : QPalette::Inactive;
}

} // namespace

CShareBarDelegate::CShareBarDelegate(QObject* parent)
    : QStyledItemDelegate(parent)
{
}

QColor CShareBarDelegate::BarColor(const QPalette& palette, bool bSelected)
{
    QColor color = palette.color(bSelected ? QPalette::HighlightedText : QPalette::Highlight);
    color.setAlpha(bSelected ? kSelectedBarAlpha : kBarAlpha);
    return color;
}

QRect CShareBarDelegate::BarRect(const QRect& cell, double share)
{
    const QRect inner = cell.adjusted(kBarInset, kBarInset, -kBarInset, -kBarInset);
    const int width = static_cast<int>(std::lround(std::clamp(share, 0.0, 1.0) * inner.width()));
    return QRect(inner.left(), inner.top(), width, inner.height());
}

// The style draws the cell without its text (background, stripe, selection, focus); then the
// bar; then the text over both, in the colour the style would have used.
void CShareBarDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem cell(option);
    initStyleOption(&cell, index);
    const QWidget* widget = cell.widget;
    const QStyle* style = widget ? widget->style() : QApplication::style();
    const QString text = cell.text;
    cell.text.clear();
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);

    const bool bSelected = (cell.state & QStyle::State_Selected) != 0;
    const QVariant share = index.data(ShareRole);
    painter->save();
    if (share.isValid()) {
        const QRect bar = BarRect(cell.rect, share.toDouble());
        if (bar.width() > 0)
            painter->fillRect(bar, BarColor(cell.palette, bSelected));
    }
    cell.text = text;
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &cell, widget).adjusted(margin, 0, -margin, 0);
    painter->setFont(cell.font);
    painter->setPen(cell.palette.color(GroupOf(cell), bSelected ? QPalette::HighlightedText : QPalette::Text));
    painter->drawText(textRect, static_cast<int>(cell.displayAlignment),
                      cell.fontMetrics.elidedText(text, cell.textElideMode, textRect.width()));
    painter->restore();
}
