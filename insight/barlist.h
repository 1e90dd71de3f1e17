#pragma once

#include "chartwidget.h"
#include "summary.h"

// A sorted list with a horizontal bar per entry: its name, the bar, its
// hours and its share of the range. Entries come sorted, most time first.
class BarList : public ChartWidget
{
    Q_OBJECT

public:
    enum class Names { AsGiven, Programs };

    explicit BarList(QWidget *parent = nullptr);

    // `total` is what the shares are of: the range's recorded time.
    void setEntries(const QList<SummaryEntry> &entries, qint64 total);
    // Programs are shown by their file name; bars in category colours when
    // the entries are categories, in this order.
    void setNames(Names names) { naming = names; update(); }
    void setColoured(const QStringList &keys) { colourKeys = keys; update(); }
    // What stands for an empty name ("No category", "Other programs").
    void setEmptyName(const QString &text) { emptyName = text; update(); }
    // How a share reads in the tooltip, "%1 of the recorded time".
    void setShareText(const QString &text) { shareText = text; }

    int entryCount() const override { return int(entries.size()); }
    QString entryText(int entry) const override;
    QRect entryRect(int entry) const override;
    int entryAt(const QPoint &point) const override;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString nameOf(int entry) const;
    QColor barColor(int entry) const;
    int rowHeight() const;
    QString figuresOf(int entry) const;
    int figuresWidth() const;

    QList<SummaryEntry> entries;
    qint64 total = 0;
    Names naming = Names::AsGiven;
    QStringList colourKeys;
    QString emptyName;
    QString shareText;
};
