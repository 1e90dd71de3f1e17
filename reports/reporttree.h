#pragma once

#include <QAbstractItemView>

#include <vector>

class QHeaderView;

// The activity log's tree: days at the top level, each with its report rows
// below, under a header of columns. It looks and behaves like a tree view
// (arrows that open and close a day, a day's caption drawn bold across the
// whole row, rows selected whole, arrow keys, Home/End, paging), but keeps
// nothing per row: a day's place is its first row's number, so days appended
// at the end cost only themselves. A tree view lays out every row again
// whenever rows arrive, and with five years of programs (1.7 million rows)
// each layout blocks the interface for a tenth of a second or more, and keeps
// 40 bytes per row.
class ReportTree : public QAbstractItemView
{
    Q_OBJECT

public:
    explicit ReportTree(QWidget *parent = nullptr);

    void setModel(QAbstractItemModel *model) override;
    QHeaderView *header() const { return columns; }

    // Days added later come open, as a search shows them; opening each one
    // as it arrives would place the rows below it again every time.
    void setExpandsNewDays(bool open) { newDaysOpen = open; }
    // Double-clicking a day, or Enter on it, emits dayOpened instead of
    // opening or closing it (its arrow and the arrow keys still do).
    void setOpensDays(bool on) { daysOpenElsewhere = on; }
    bool isExpanded(const QModelIndex &index) const;
    void expand(const QModelIndex &index);
    void collapse(const QModelIndex &index);
    int indentation() const;

    QRect visualRect(const QModelIndex &index) const override;
    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint &point) const override;
    void doItemsLayout() override;
    void reset() override;
    int sizeHintForColumn(int column) const override;

    // Rows as they are shown, days and the rows of open days, counted from
    // the top (for assistive technology).
    int shownRowCount() const { return rowTotal(); }
    QModelIndex indexOfShownRow(int row) const { return indexOfRow(row); }
    int shownRowOf(const QModelIndex &index) const { return rowOf(index); }
    // The whole row of an index, in viewport coordinates.
    QRect rowRect(const QModelIndex &index) const;

public slots:
    void resizeColumnToContents(int column);

signals:
    void dayOpened(const QModelIndex &day);

protected:
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex &index) const override;
    void setSelection(const QRect &rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection &selection) const override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    QSize viewportSizeHint() const override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;

protected slots:
    void rowsInserted(const QModelIndex &parent, int start, int end) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

private:
    void rowsRemoved(const QModelIndex &parent, int start, int end);
    void setExpanded(int day, bool open);
    // Where rows are, brought up to date from the first day that changed.
    void place() const;
    int rowTotal() const;
    // A row's number counted from the top, days and their open rows; -1 when
    // it is not shown.
    int rowOf(const QModelIndex &index) const;
    // The index in column 0 of a row number.
    QModelIndex indexOfRow(int row) const;
    int rowHeight() const;
    int rowsPerPage() const;
    int firstShownRow() const;
    // The left edge and width of everything, and where the first visual
    // column starts and the tree's indent goes.
    int treeColumn() const;
    void drawRow(QPainter *painter, int row, int y) const;
    void drawBranch(QPainter *painter, const QRect &rect, const QModelIndex &index, int day, bool selected) const;
    bool onArrow(const QPoint &point, int *day) const;

    QHeaderView *columns;
    std::vector<char> openDays;
    // starts[d]: the row number of day d; starts[days]: all rows.
    mutable std::vector<int> starts{0};
    mutable int placedDays = 0;
    mutable int height = -1;
    bool geometryBusy = false;
    bool newDaysOpen = false;
    bool daysOpenElsewhere = false;
};
