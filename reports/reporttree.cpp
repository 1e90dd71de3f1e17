#include "reporttree.h"

#include <QAbstractItemDelegate>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPainter>

ReportTree::ReportTree(QWidget *parent)
    : QTreeView(parent)
{
}

void ReportTree::drawRow(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    if (index.parent().isValid() || !model() || model()->columnCount() < 2) {
        QTreeView::drawRow(painter, option, index);
        return;
    }
    QStyleOptionViewItem opt = option;
    const int left = columnViewportPosition(header()->logicalIndex(0));
    const int right = left + header()->length();
    const int indent = rootIsDecorated() ? indentation() : 0;
    const QRect row(left, option.rect.y(), right - left, option.rect.height());
    opt.rect = row.adjusted(indent, 0, 0, 0);
    opt.viewItemPosition = QStyleOptionViewItem::OnlyOne;
    opt.showDecorationSelected = true;
    opt.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
    if (selectionModel() && selectionModel()->isSelected(index))
        opt.state |= QStyle::State_Selected;
    if (hasFocus() && currentIndex() == index)
        opt.state |= QStyle::State_HasFocus;
    if (indent > 0)
        drawBranches(painter, QRect(left, row.y(), indent, row.height()), index);
    itemDelegateForIndex(index)->paint(painter, opt, index);
}
