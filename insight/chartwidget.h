#pragma once

#include <QColor>
#include <QLocale>
#include <QRect>
#include <QString>
#include <QWidget>

class QAccessibleInterface;
class QPalette;

// What the summary's pictures have in common: each shows a list of entries
// (a bar, a column, a stretch of a day), each entry has a place on screen
// and a text with its exact figures. The text is the tooltip over the entry
// and what a screen reader reads for it, so both always say the same.
class ChartWidget : public QWidget
{
    Q_OBJECT

public:
    explicit ChartWidget(QWidget *parent = nullptr);

    virtual int entryCount() const = 0;
    // An entry's text with its exact figures; empty for a number out of range.
    virtual QString entryText(int entry) const = 0;
    // Where an entry is drawn, in the widget's coordinates; empty when nowhere.
    virtual QRect entryRect(int entry) const = 0;
    // The entry under a point; -1 when none is.
    virtual int entryAt(const QPoint &point) const = 0;
    // What the tooltip shows at a point; empty where there is no entry.
    QString toolTipAt(const QPoint &point) const;
    // Every entry's text, one a line, for a screen reader's description.
    QString entriesText() const;

    // The n-th colour of a set that reads against the palette's window
    // colour, light or dark alike.
    static QColor seriesColor(int n, const QPalette &palette);
    // The colour of time that belongs to no category or to the rest.
    static QColor restColor(const QPalette &palette);
    // The WCAG contrast ratio of two colours (1 to 21).
    static double contrast(const QColor &a, const QColor &b);

    // "3:12:05" and "3.2 h" in the widget's locale.
    static QString clock(qint64 seconds);
    static QString hours(qint64 seconds, const QLocale &locale);
    // "34 %" (or with one decimal), of a total; empty when the total is 0.
    static QString share(qint64 part, qint64 total, const QLocale &locale, int decimals = 0);
    // A program's file name, as the activity log shows programs.
    static QString programName(const QString &path);

signals:
    // An entry was clicked or chosen with the keyboard.
    void entryActivated(int entry);

protected:
    bool event(QEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    // The entry the keyboard is on; -1 for none.
    int current() const { return focused; }
    // Tells assistive technology that the entries changed.
    void entriesChanged();
    // The height of one line of text, the unit of every size.
    int line() const;

private:
    void setCurrent(int entry);

    int focused = -1;
};

namespace ChartAccessible {
// The factory for QAccessible::installFactory(): charts as lists whose items
// are their entries.
QAccessibleInterface *create(const QString &className, QObject *object);
} // namespace ChartAccessible
