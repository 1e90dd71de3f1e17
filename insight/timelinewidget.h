#pragma once

#include "chartwidget.h"
#include "summary.h"

// A day from its first record to its last: the program stretches as a band
// coloured by category (by program when no rule gives categories), the
// answers as marks at their times, and the time away as hatched spans.
class TimelineWidget : public ChartWidget
{
    Q_OBJECT

public:
    explicit TimelineWidget(QWidget *parent = nullptr);

    void setDay(const TimelineDay &day);
    const TimelineDay &day() const { return shown; }
    // What the band's colours stand for, in order.
    QStringList keys() const { return colourKeys; }

    // Stretches, answers and away spans together, in time order.
    int entryCount() const override { return int(items.size()); }
    QString entryText(int entry) const override;
    QRect entryRect(int entry) const override;
    int entryAt(const QPoint &point) const override;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    enum class Kind { Stretch, Answer, Away };
    struct Item
    {
        Kind kind;
        int index;
        QDateTime start;
        QDateTime end;
    };
    struct Lanes
    {
        int ruler = 0;
        QRect band;
        QRect away;
        QRect answers;
        int legend = 0;
    };
    Lanes lanes() const;
    double xOf(const QDateTime &at, const QRect &lane) const;
    QColor stretchColor(int stretch) const;
    QString keyName(const QString &key) const;
    QString timeText(const QDateTime &at) const;

    TimelineDay shown;
    QList<Item> items;
    QDateTime first;
    QDateTime last;
    bool byCategory = false;
    QStringList colourKeys; // categories or programs; the rest is grey
};
