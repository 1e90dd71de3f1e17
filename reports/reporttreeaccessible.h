#pragma once

class QAccessibleInterface;
class QObject;
class QString;

// What assistive technology (a screen reader) sees of the activity log's
// tree: a tree whose children are its rows, each with its texts, its state
// and its place on screen, and the current row as the focus.
namespace ReportTreeAccessible {

// The factory for QAccessible::installFactory().
QAccessibleInterface *create(const QString &className, QObject *object);

} // namespace ReportTreeAccessible
