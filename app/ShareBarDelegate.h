// Draws a cell's share as a bar behind its text: the list's "%" column and the Largest files
// window's Size column. The model's text stays the cell's text, so a screen reader reads the number.
#pragma once

#include <QStyledItemDelegate>

class QColor;
class QPalette;

// Window's thread only, as every delegate.
class CShareBarDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    // The model's answer for the cell: its share as a fraction from 0 to 1 (a double); a cell
    // without one gets no bar.
    static constexpr int ShareRole = Qt::UserRole + 1;

    explicit CShareBarDelegate(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // The bar's colour: the palette's highlight, light enough to read the row's text over it, or
    // on a selected row (whose background is the highlight) the highlighted text's, faint.
    static QColor BarColor(const QPalette& palette, bool bSelected);
    // The part of `cell` the bar fills for `share`, inset so that rows stay apart.
    static QRect BarRect(const QRect& cell, double share);
};
