#include "reporttreeaccessible.h"

#include "reporttree.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QPersistentModelIndex>
#include <QPointer>

namespace {

// One row: a day's caption, or a report row's cells.
class RowInterface : public QAccessibleInterface
{
public:
    RowInterface(ReportTree *tree, const QModelIndex &index)
        : tree(tree)
        , index(index)
    {
    }

    bool isValid() const override { return tree && index.isValid(); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return tree ? tree->window()->windowHandle() : nullptr; }
    QAccessibleInterface *parent() const override
    {
        return tree ? QAccessible::queryAccessibleInterface(tree) : nullptr;
    }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessibleInterface *focusChild() const override { return nullptr; }
    void setText(QAccessible::Text, const QString &) override {}
    QAccessible::Role role() const override { return QAccessible::TreeItem; }

    QString text(QAccessible::Text t) const override
    {
        if (!isValid() || t != QAccessible::Name)
            return QString();
        if (!index.parent().isValid())
            return index.data().toString();
        QStringList cells;
        for (int c = 0; c < index.model()->columnCount(index.parent()); ++c)
            cells << index.sibling(index.row(), c).data().toString();
        return cells.join(QStringLiteral(", "));
    }

    QRect rect() const override
    {
        if (!isValid())
            return QRect();
        const QRect row = tree->rowRect(index);
        return row.isValid() ? QRect(tree->viewport()->mapToGlobal(row.topLeft()), row.size()) : QRect();
    }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        state.selectable = true;
        state.focusable = true;
        state.selected = tree->selectionModel() && tree->selectionModel()->isSelected(index);
        const QModelIndex current = tree->currentIndex();
        state.focused = current.isValid() && current.sibling(current.row(), 0) == index && tree->hasFocus();
        if (!index.parent().isValid() && tree->model()->hasChildren(index)) {
            state.expandable = true;
            state.expanded = tree->isExpanded(index);
            state.collapsed = !state.expanded;
        }
        state.invisible = !rect().isValid();
        state.offscreen = !tree->viewport()->rect().intersects(tree->rowRect(index));
        return state;
    }

    const QPersistentModelIndex &modelIndex() const { return index; }

private:
    QPointer<ReportTree> tree;
    QPersistentModelIndex index;
};

class TreeInterface : public QAccessibleWidget
{
public:
    explicit TreeInterface(ReportTree *tree)
        : QAccessibleWidget(tree, QAccessible::Tree)
    {
    }
    ~TreeInterface() override
    {
        for (const QAccessible::Id id : std::as_const(rows))
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return tree()->shownRowCount(); }
    QAccessibleInterface *child(int i) const override { return row(tree()->indexOfShownRow(i)); }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        const auto *row = dynamic_cast<const RowInterface *>(child);
        return row ? tree()->shownRowOf(row->modelIndex()) : -1;
    }
    QAccessibleInterface *focusChild() const override
    {
        const QModelIndex current = tree()->currentIndex();
        return current.isValid() ? row(current.sibling(current.row(), 0)) : nullptr;
    }
    QAccessibleInterface *childAt(int x, int y) const override
    {
        const QModelIndex at = tree()->indexAt(tree()->viewport()->mapFromGlobal(QPoint(x, y)));
        return at.isValid() ? row(at.sibling(at.row(), 0)) : nullptr;
    }

private:
    ReportTree *tree() const { return static_cast<ReportTree *>(widget()); }

    // Row interfaces are made when asked for and kept, by day and row, while
    // they stay valid: a screen reader asks for the same few again and again.
    QAccessibleInterface *row(const QModelIndex &index) const
    {
        if (!index.isValid())
            return nullptr;
        const QModelIndex parent = index.parent();
        const QPair<int, int> key(parent.isValid() ? parent.row() : index.row(), parent.isValid() ? index.row() : -1);
        const auto known = rows.constFind(key);
        if (known != rows.constEnd()) {
            QAccessibleInterface *iface = QAccessible::accessibleInterface(*known);
            if (iface && iface->isValid() && static_cast<RowInterface *>(iface)->modelIndex() == index)
                return iface;
            QAccessible::deleteAccessibleInterface(*known);
        }
        auto *iface = new RowInterface(tree(), index);
        rows.insert(key, QAccessible::registerAccessibleInterface(iface));
        return iface;
    }

    mutable QHash<QPair<int, int>, QAccessible::Id> rows;
};

} // namespace

namespace ReportTreeAccessible {

QAccessibleInterface *create(const QString &className, QObject *object)
{
    if (className == QLatin1String("ReportTree") && object && object->isWidgetType())
        return new TreeInterface(static_cast<ReportTree *>(object));
    return nullptr;
}

} // namespace ReportTreeAccessible
