#pragma once

#include "chartwidget.h"
#include "summary.h"

// Recorded time per day (or per week), each column stacked by category or
// by program, with the time away beside it as a column of its own: away
// time is never part of the recorded time.
class ColumnChart : public ChartWidget
{
    Q_OBJECT

public:
    explicit ColumnChart(QWidget *parent = nullptr);

    // The summary's columns and what they are stacked by; program keys are
    // shown by their file name.
    void setSummary(const Summary &summary, bool programKeys);
    // What stands for the empty key (time of no category, the other programs).
    void setRestName(const QString &text) { restName = text; update(); }

    int entryCount() const override { return int(columns.size()); }
    QString entryText(int entry) const override;
    QRect entryRect(int entry) const override;
    int entryAt(const QPoint &point) const override;
    // The first day of a column.
    QDate entryDay(int entry) const { return entry >= 0 && entry < columns.size() ? columns.at(entry).first : QDate(); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    struct Geometry
    {
        QRect plot;    // where the columns stand
        int slot = 0;  // width of one column's place
        int legendTop = 0;
        qint64 top = 1; // the seconds at the top of the plot
        qint64 step = 3600;
    };
    Geometry geometry() const;
    QString keyName(int key) const;
    QColor keyColor(int key) const;
    QString columnCaption(int entry, bool brief) const;
    QList<QPair<QString, QColor>> legend() const;
    int legendHeight(int width) const;

    QList<SummaryColumn> columns;
    QStringList keys;
    bool weekly = false;
    bool programs = false;
    QString restName;
};
