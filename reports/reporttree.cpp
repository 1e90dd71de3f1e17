#include "reporttree.h"

#include "reporttreeaccessible.h"

#include <QAccessible>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

ReportTree::ReportTree(QWidget *parent)
    : QAbstractItemView(parent)
    , columns(new QHeaderView(Qt::Horizontal, this))
{
    // A tree view's defaults.
    columns->setSectionsMovable(true);
    columns->setStretchLastSection(true);
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setSelectionBehavior(SelectRows);
    setSelectionMode(SingleSelection);
    setHorizontalScrollMode(ScrollPerPixel);
    connect(columns, &QHeaderView::sectionResized, this, [this] {
        updateGeometries();
        viewport()->update();
    });
    connect(columns, &QHeaderView::sectionMoved, viewport(), qOverload<>(&QWidget::update));
    connect(columns, &QHeaderView::sectionCountChanged, this, &ReportTree::updateGeometries);
    connect(columns, &QHeaderView::geometriesChanged, this, &ReportTree::updateGeometries);
    connect(columns, &QHeaderView::sectionHandleDoubleClicked, this, &ReportTree::resizeColumnToContents);
    static const bool accessible = (QAccessible::installFactory(&ReportTreeAccessible::create), true);
    Q_UNUSED(accessible);
}

void ReportTree::setModel(QAbstractItemModel *newModel)
{
    if (model())
        disconnect(model(), &QAbstractItemModel::rowsRemoved, this, &ReportTree::rowsRemoved);
    columns->setModel(newModel);
    QAbstractItemView::setModel(newModel);
    if (newModel)
        connect(newModel, &QAbstractItemModel::rowsRemoved, this, &ReportTree::rowsRemoved);
    openDays.assign(size_t(newModel ? newModel->rowCount() : 0), newDaysOpen);
    placedDays = 0;
    height = -1;
}

bool ReportTree::isExpanded(const QModelIndex &index) const
{
    return index.isValid() && index.model() == model() && !index.parent().isValid()
           && size_t(index.row()) < openDays.size() && openDays[size_t(index.row())];
}

void ReportTree::expand(const QModelIndex &index)
{
    if (index.isValid() && index.model() == model() && !index.parent().isValid())
        setExpanded(index.row(), true);
}

void ReportTree::collapse(const QModelIndex &index)
{
    if (index.isValid() && index.model() == model() && !index.parent().isValid())
        setExpanded(index.row(), false);
}

void ReportTree::setExpanded(int day, bool open)
{
    if (day < 0 || size_t(day) >= openDays.size() || bool(openDays[size_t(day)]) == open)
        return;
    openDays[size_t(day)] = open;
    placedDays = std::min(placedDays, day);
    updateGeometries();
    viewport()->update();
    // The current row, now hidden, hands the cursor to its day's caption,
    // as in a tree; the next key would otherwise start from the top.
    const QModelIndex current = currentIndex();
    if (!open && selectionModel() && current.parent().isValid() && current.parent().row() == day) {
        const bool selected = selectionModel()->isSelected(current);
        selectionModel()->setCurrentIndex(current.parent(), selected ? QItemSelectionModel::ClearAndSelect
                                                                               | QItemSelectionModel::Rows
                                                                         : QItemSelectionModel::NoUpdate);
    }
}

int ReportTree::indentation() const
{
    return style()->pixelMetric(QStyle::PM_TreeViewIndentation, nullptr, this);
}

void ReportTree::place() const
{
    const int days = int(openDays.size());
    starts.resize(size_t(days) + 1);
    for (int d = placedDays; d < days; ++d) {
        const int rows = openDays[size_t(d)] ? model()->rowCount(model()->index(d, 0)) : 0;
        starts[size_t(d) + 1] = starts[size_t(d)] + 1 + rows;
    }
    placedDays = days;
}

int ReportTree::rowTotal() const
{
    place();
    return starts.back();
}

int ReportTree::rowOf(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != model())
        return -1;
    const QModelIndex parent = index.parent();
    const int day = parent.isValid() ? parent.row() : index.row();
    if (size_t(day) >= openDays.size() || (parent.isValid() && (parent.parent().isValid() || !openDays[size_t(day)])))
        return -1;
    place();
    return parent.isValid() ? starts[size_t(day)] + 1 + index.row() : starts[size_t(day)];
}

QModelIndex ReportTree::indexOfRow(int row) const
{
    if (row < 0 || row >= rowTotal())
        return QModelIndex();
    const auto at = std::upper_bound(starts.begin(), starts.end(), row) - 1;
    const int day = int(at - starts.begin());
    const QModelIndex dayIndex = model()->index(day, 0);
    return row == *at ? dayIndex : model()->index(row - *at - 1, 0, dayIndex);
}

int ReportTree::rowHeight() const
{
    if (height > 0)
        return height;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    int h = fontMetrics().height();
    bool measured = false;
    if (model() && model()->rowCount() > 0) {
        // Every row is as high as the tallest of a day's and a report row's
        // cells: the same for all, as a tree with uniform rows has them.
        const QModelIndex day = model()->index(0, 0);
        h = std::max(h, itemDelegateForIndex(day)->sizeHint(option, day).height());
        const QModelIndex row = model()->index(0, 0, day);
        if (row.isValid()) {
            for (int c = 0; c < model()->columnCount(day); ++c) {
                const QModelIndex cell = row.sibling(0, c);
                h = std::max(h, itemDelegateForIndex(cell)->sizeHint(option, cell).height());
            }
            measured = true;
        }
    }
    if (measured)
        height = h;
    return h;
}

int ReportTree::rowsPerPage() const
{
    return std::max(1, viewport()->height() / rowHeight());
}

int ReportTree::firstShownRow() const
{
    return verticalScrollBar()->value();
}

int ReportTree::treeColumn() const
{
    for (int v = 0; v < columns->count(); ++v) {
        const int logical = columns->logicalIndex(v);
        if (!columns->isSectionHidden(logical))
            return logical;
    }
    return -1;
}

QRect ReportTree::rowRect(const QModelIndex &index) const
{
    const int row = rowOf(index);
    if (row < 0)
        return QRect();
    const int h = rowHeight();
    return QRect(-columns->offset(), (row - firstShownRow()) * h, columns->length(), h);
}

QRect ReportTree::visualRect(const QModelIndex &index) const
{
    const int row = rowOf(index);
    if (row < 0 || columns->isSectionHidden(index.column()))
        return QRect();
    int x = columns->sectionViewportPosition(index.column());
    int w = columns->sectionSize(index.column());
    if (index.column() == treeColumn()) {
        const int indent = indentation() * (index.parent().isValid() ? 2 : 1);
        x += indent;
        w -= indent;
    }
    const int h = rowHeight();
    return QRect(x, (row - firstShownRow()) * h, w, h);
}

void ReportTree::scrollTo(const QModelIndex &index, ScrollHint hint)
{
    if (!index.isValid() || index.model() != model())
        return;
    if (index.parent().isValid())
        expand(index.parent());
    const int row = rowOf(index);
    if (row < 0)
        return;
    const int page = rowsPerPage();
    int top = firstShownRow();
    switch (hint) {
    case EnsureVisible:
        if (row < top)
            top = row;
        else if (row >= top + page)
            top = row - page + 1;
        break;
    case PositionAtTop:
        top = row;
        break;
    case PositionAtBottom:
        top = row - page + 1;
        break;
    case PositionAtCenter:
        top = row - page / 2;
        break;
    }
    verticalScrollBar()->setValue(top);
    if (index.parent().isValid() && index.column() != treeColumn()) {
        const int x = columns->sectionPosition(index.column());
        const int w = columns->sectionSize(index.column());
        QScrollBar *bar = horizontalScrollBar();
        if (x < bar->value())
            bar->setValue(x);
        else if (x + w > bar->value() + viewport()->width())
            bar->setValue(std::min(x, x + w - viewport()->width()));
    }
}

QModelIndex ReportTree::indexAt(const QPoint &point) const
{
    if (point.y() < 0)
        return QModelIndex();
    const QModelIndex first = indexOfRow(firstShownRow() + point.y() / rowHeight());
    const int column = columns->logicalIndexAt(point.x());
    if (!first.isValid() || column < 0)
        return QModelIndex();
    // A day's caption runs across the row: any column of it is the day.
    return first.parent().isValid() ? first.sibling(first.row(), column) : first;
}

void ReportTree::doItemsLayout()
{
    openDays.resize(size_t(model() ? model()->rowCount() : 0), newDaysOpen);
    placedDays = 0;
    height = -1;
    QAbstractItemView::doItemsLayout();
}

void ReportTree::reset()
{
    openDays.clear();
    starts.assign(1, 0);
    placedDays = 0;
    height = -1;
    QAbstractItemView::reset();
    if (model())
        openDays.assign(size_t(model()->rowCount()), newDaysOpen);
    updateGeometries();
}

int ReportTree::sizeHintForColumn(int column) const
{
    // As a tree view does: the widest of the rows on screen.
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    int widest = 0;
    const int first = firstShownRow();
    const int last = std::min(rowTotal() - 1, first + rowsPerPage());
    for (int row = first; row <= last; ++row) {
        const QModelIndex index = indexOfRow(row);
        if (!index.parent().isValid())
            continue;
        const QModelIndex cell = index.sibling(index.row(), column);
        widest = std::max(widest, itemDelegateForIndex(cell)->sizeHint(option, cell).width());
    }
    return widest + (column == treeColumn() ? 2 * indentation() : 0);
}

void ReportTree::resizeColumnToContents(int column)
{
    columns->resizeSection(column, std::max(sizeHintForColumn(column), columns->sectionSizeHint(column)));
}

QModelIndex ReportTree::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers)
{
    const int total = rowTotal();
    if (total == 0)
        return QModelIndex();
    const QModelIndex current = currentIndex();
    const int row = rowOf(current);
    if (row < 0)
        return indexOfRow(0);
    const bool isDay = !current.parent().isValid();
    int target = row;
    switch (cursorAction) {
    case MoveUp:
    case MovePrevious:
        target = row - 1;
        break;
    case MoveDown:
    case MoveNext:
        target = row + 1;
        break;
    case MovePageUp:
        target = row - rowsPerPage();
        break;
    case MovePageDown:
        target = row + rowsPerPage();
        break;
    case MoveHome:
        target = 0;
        break;
    case MoveEnd:
        target = total - 1;
        break;
    case MoveLeft:
        // Closes an open day; from one of its rows, goes up to the day.
        if (isDay) {
            collapse(current);
            return current;
        }
        return current.parent();
    case MoveRight:
        // Opens a closed day; in an open one, goes to its first row.
        if (isDay && !isExpanded(current) && model()->hasChildren(current)) {
            expand(current);
            return current;
        }
        if (!isDay)
            return current;
        target = row + 1;
        break;
    }
    const QModelIndex index = indexOfRow(std::clamp(target, 0, total - 1));
    return index.parent().isValid() && !isDay ? index.sibling(index.row(), current.column()) : index;
}

int ReportTree::horizontalOffset() const
{
    return horizontalScrollBar()->value();
}

int ReportTree::verticalOffset() const
{
    return verticalScrollBar()->value() * rowHeight();
}

bool ReportTree::isIndexHidden(const QModelIndex &) const
{
    return false;
}

void ReportTree::setSelection(const QRect &rect, QItemSelectionModel::SelectionFlags command)
{
    const int total = rowTotal();
    if (!selectionModel() || total == 0)
        return;
    const QRect area = rect.normalized();
    const int h = rowHeight();
    const int first = std::clamp(firstShownRow() + std::max(0, area.top()) / h, 0, total - 1);
    const int last = std::clamp(firstShownRow() + std::max(0, area.bottom()) / h, 0, total - 1);
    QItemSelection selection;
    for (int row = first; row <= last;) {
        const QModelIndex index = indexOfRow(row);
        const QModelIndex parent = index.parent();
        if (!parent.isValid()) {
            selection.select(index, index.sibling(index.row(), model()->columnCount() - 1));
            ++row;
            continue;
        }
        // The rows of one day go as one range.
        const int end = std::min(last, starts[size_t(parent.row()) + 1] - 1);
        selection.select(index, model()->index(index.row() + end - row, model()->columnCount(parent) - 1, parent));
        row = end + 1;
    }
    selectionModel()->select(selection, command);
}

QRegion ReportTree::visualRegionForSelection(const QItemSelection &selection) const
{
    QRegion region;
    const int h = rowHeight();
    const int first = firstShownRow();
    const int last = first + rowsPerPage();
    for (const QItemSelectionRange &range : selection) {
        if (!range.isValid() || range.model() != model())
            continue;
        int top = rowOf(model()->index(range.top(), 0, range.parent()));
        int bottom = rowOf(model()->index(range.bottom(), 0, range.parent()));
        if (top < 0 || bottom < 0)
            continue;
        top = std::max(top, first);
        bottom = std::min(bottom, last);
        if (top <= bottom)
            region += QRect(0, (top - first) * h, viewport()->width(), (bottom - top + 1) * h);
    }
    return region;
}

void ReportTree::updateGeometries()
{
    if (geometryBusy)
        return;
    geometryBusy = true;
    const int headerHeight = columns->isHidden()
                                 ? 0
                                 : std::clamp(columns->sizeHint().height(), columns->minimumHeight(),
                                              columns->maximumHeight());
    setViewportMargins(0, headerHeight, 0, 0);
    const QRect area = viewport()->geometry();
    columns->setGeometry(area.left(), area.top() - headerHeight, area.width(), headerHeight);
    QMetaObject::invokeMethod(columns, "updateGeometries");
    // The vertical bar counts rows, as a tree view's does; the last one
    // shows whole at the bottom.
    const int page = rowsPerPage();
    verticalScrollBar()->setRange(0, std::max(0, rowTotal() - page));
    verticalScrollBar()->setPageStep(page);
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setRange(0, std::max(0, columns->length() - area.width()));
    horizontalScrollBar()->setPageStep(area.width());
    horizontalScrollBar()->setSingleStep(std::max(1, area.width() / 20));
    geometryBusy = false;
    QAbstractItemView::updateGeometries();
}

void ReportTree::scrollContentsBy(int dx, int)
{
    if (dx)
        columns->setOffset(horizontalScrollBar()->value());
    viewport()->update();
}

QSize ReportTree::viewportSizeHint() const
{
    return QSize(columns->length(), rowTotal() * rowHeight());
}

void ReportTree::paintEvent(QPaintEvent *event)
{
    QPainter painter(viewport());
    const int h = rowHeight();
    const int first = firstShownRow();
    const QRect area = event->rect();
    const int last = std::min(rowTotal() - 1, first + area.bottom() / h);
    for (int row = first + std::max(0, area.top()) / h; row <= last; ++row)
        drawRow(&painter, row, (row - first) * h);
}

void ReportTree::drawRow(QPainter *painter, int row, int y) const
{
    const QModelIndex index = indexOfRow(row);
    const QModelIndex parent = index.parent();
    const bool isDay = !parent.isValid();
    const int day = isDay ? index.row() : parent.row();
    const int tree = treeColumn();
    if (tree < 0)
        return;
    const int h = rowHeight();
    const int indent = indentation();
    const int left = columns->sectionViewportPosition(tree);
    const int right = -columns->offset() + columns->length();
    const QModelIndex current = currentIndex();
    const bool focused = hasFocus() && rowOf(current) == row;
    QItemSelectionModel *selected = selectionModel();

    QStyleOptionViewItem option;
    initViewItemOption(&option);
    QStyleOptionViewItem whole = option;
    whole.rect = QRect(left, y, right - left, h);
    if (selected && selected->isSelected(index))
        whole.state |= QStyle::State_Selected;
    style()->drawPrimitive(QStyle::PE_PanelItemViewRow, &whole, painter, this);

    if (isDay) {
        // The caption runs across every column.
        QStyleOptionViewItem cell = whole;
        cell.rect = QRect(left + indent, y, right - left - indent, h);
        cell.viewItemPosition = QStyleOptionViewItem::OnlyOne;
        cell.showDecorationSelected = true;
        if (focused && current == index)
            cell.state |= QStyle::State_HasFocus;
        itemDelegateForIndex(index)->paint(painter, cell, index);
    } else {
        int shown = 0;
        for (int v = 0; v < columns->count(); ++v)
            shown += columns->isSectionHidden(columns->logicalIndex(v)) ? 0 : 1;
        int position = 0;
        for (int v = 0; v < columns->count(); ++v) {
            const int logical = columns->logicalIndex(v);
            if (columns->isSectionHidden(logical))
                continue;
            QRect rect(columns->sectionViewportPosition(logical), y, columns->sectionSize(logical), h);
            if (logical == tree)
                rect.setLeft(rect.left() + 2 * indent);
            const QModelIndex cellIndex = index.sibling(index.row(), logical);
            QStyleOptionViewItem cell = option;
            cell.rect = rect;
            cell.viewItemPosition = shown == 1               ? QStyleOptionViewItem::OnlyOne
                                    : position == 0          ? QStyleOptionViewItem::Beginning
                                    : position == shown - 1 ? QStyleOptionViewItem::End
                                                             : QStyleOptionViewItem::Middle;
            ++position;
            if (rect.right() < 0 || rect.left() > viewport()->width())
                continue;
            if (selected && selected->isSelected(cellIndex))
                cell.state |= QStyle::State_Selected;
            if (focused && current == cellIndex)
                cell.state |= QStyle::State_HasFocus;
            itemDelegateForIndex(cellIndex)->paint(painter, cell, cellIndex);
        }
    }
    drawBranch(painter, QRect(left, y, indent, h), index, day, whole.state & QStyle::State_Selected);
}

void ReportTree::drawBranch(QPainter *painter, const QRect &rect, const QModelIndex &index, int day,
                            bool selected) const
{
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    QStyle::State base = selected ? QStyle::State_Selected : QStyle::State_None;
    if (isEnabled())
        base |= QStyle::State_Enabled;
    if (window()->isActiveWindow())
        base |= QStyle::State_Active;
    const bool laterDays = size_t(day) + 1 < openDays.size();
    if (!index.parent().isValid()) {
        option.rect = rect;
        option.state = base | QStyle::State_Item | (laterDays ? QStyle::State_Sibling : QStyle::State_None)
                       | (model()->hasChildren(index) ? QStyle::State_Children : QStyle::State_None)
                       | (openDays[size_t(day)] ? QStyle::State_Open : QStyle::State_None);
        style()->drawPrimitive(QStyle::PE_IndicatorBranch, &option, painter, this);
        return;
    }
    // A report row: the day's line going on, then the row's own branch.
    option.rect = rect;
    option.state = base | (laterDays ? QStyle::State_Sibling : QStyle::State_None);
    style()->drawPrimitive(QStyle::PE_IndicatorBranch, &option, painter, this);
    option.rect = rect.translated(rect.width(), 0);
    const bool laterRows = index.row() + 1 < model()->rowCount(index.parent());
    option.state = base | QStyle::State_Item | (laterRows ? QStyle::State_Sibling : QStyle::State_None);
    style()->drawPrimitive(QStyle::PE_IndicatorBranch, &option, painter, this);
}

bool ReportTree::onArrow(const QPoint &point, int *day) const
{
    const int tree = treeColumn();
    if (point.y() < 0 || tree < 0)
        return false;
    const QModelIndex index = indexOfRow(firstShownRow() + point.y() / rowHeight());
    const int left = columns->sectionViewportPosition(tree);
    if (!index.isValid() || index.parent().isValid() || point.x() < left || point.x() >= left + indentation())
        return false;
    *day = index.row();
    return true;
}

void ReportTree::mousePressEvent(QMouseEvent *event)
{
    int day = -1;
    if (event->button() == Qt::LeftButton && onArrow(event->position().toPoint(), &day)) {
        setExpanded(day, !openDays[size_t(day)]);
        return;
    }
    QAbstractItemView::mousePressEvent(event);
}

void ReportTree::mouseDoubleClickEvent(QMouseEvent *event)
{
    int day = -1;
    if (onArrow(event->position().toPoint(), &day))
        return; // the press has toggled it already
    QAbstractItemView::mouseDoubleClickEvent(event);
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && index.isValid() && !index.parent().isValid()) {
        if (daysOpenElsewhere)
            emit dayOpened(index);
        else
            setExpanded(index.row(), !openDays[size_t(index.row())]);
    }
}

void ReportTree::keyPressEvent(QKeyEvent *event)
{
    const QModelIndex current = currentIndex();
    if (daysOpenElsewhere && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        && current.isValid() && !current.parent().isValid()) {
        // Taken here: passed on, Enter would press the dialog's Close.
        emit dayOpened(current.sibling(current.row(), 0));
        return;
    }
    QAbstractItemView::keyPressEvent(event);
}

void ReportTree::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        height = -1;
        updateGeometries();
    }
    QAbstractItemView::changeEvent(event);
}

void ReportTree::rowsInserted(const QModelIndex &parent, int start, int end)
{
    if (!parent.isValid()) {
        // Days at the end, as a search adds them, cost only themselves.
        openDays.insert(openDays.begin() + std::clamp<qsizetype>(start, 0, qsizetype(openDays.size())),
                        size_t(end - start + 1), newDaysOpen);
        placedDays = std::min(placedDays, start);
    } else if (!parent.parent().isValid()) {
        placedDays = std::min(placedDays, parent.row());
    }
    updateGeometries();
    viewport()->update();
    QAbstractItemView::rowsInserted(parent, start, end);
}

void ReportTree::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QAbstractItemView::currentChanged(current, previous);
    // A day's focus frame runs across the row, beyond its cell's rectangle.
    viewport()->update();
    if (QAccessible::isActive() && current.isValid() && hasFocus()) {
        QAccessibleEvent event(this, QAccessible::Focus);
        event.setChild(rowOf(current));
        QAccessible::updateAccessibility(&event);
    }
}

void ReportTree::rowsRemoved(const QModelIndex &parent, int start, int end)
{
    if (!parent.isValid()) {
        const size_t from = std::min(size_t(start), openDays.size());
        const size_t to = std::min(size_t(end) + 1, openDays.size());
        openDays.erase(openDays.begin() + qsizetype(from), openDays.begin() + qsizetype(to));
        placedDays = std::min(placedDays, start);
    } else if (!parent.parent().isValid()) {
        placedDays = std::min(placedDays, parent.row());
    }
    starts.resize(size_t(placedDays) + 1);
    updateGeometries();
    viewport()->update();
}
