#pragma once

#include <QTreeView>

// The activity log's tree. A day's caption runs across all columns, as a
// spanned first column would; the tree's own spanning looks every row up in
// a set of persistent indexes each time it lays the rows out, which for half
// a million rows blocks the interface for a good part of a second.
class ReportTree : public QTreeView
{
    Q_OBJECT

public:
    explicit ReportTree(QWidget *parent = nullptr);

protected:
    void drawRow(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};
