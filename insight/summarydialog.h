#pragma once

#include "insightsource.h"
#include "summary.h"

#include <QDate>
#include <QDialog>

namespace Ui {
class SummaryDialog;
}
class QTimer;

// "Summary": where the time of a range of days went, by category, program
// and answer, day by day, and which programs each answer's time was spent in.
class SummaryDialog : public QDialog
{
    Q_OBJECT

public:
    // The source must outlive the dialog; the first range is read at once.
    explicit SummaryDialog(InsightSource *source, QWidget *parent = nullptr);
    ~SummaryDialog() override;

    void setRange(const QDate &from, const QDate &to);
    // What is shown now.
    const Summary &summary() const { return shown; }
    // A day's timeline, over this dialog (the chart's columns lead here).
    void openDay(const QDate &day);

    // The ranges offered, in the order of cmbRange.
    enum Preset { Custom, Today, Yesterday, ThisWeek, LastWeek, LastSevenDays, ThisMonth, LastMonth, ThisYear, LastYear };
    // The first and last day of a preset range around a day.
    static QPair<QDate, QDate> presetRange(int preset, const QDate &today, Qt::DayOfWeek firstDay);

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private slots:
    void on_cmbRange_activated(int index);
    void on_dpFrom_dateChanged(QDate date);
    void on_dpTo_dateChanged(QDate date);
    void on_cmdTimesheet_clicked();
    void on_cmdClose_clicked();

private:
    void fillChoices();
    void showRange(const QDate &from, const QDate &to);
    void read();
    void showSummary(const Summary &summary);

    Ui::SummaryDialog *ui;
    InsightSource *source;
    QTimer *settle;
    Summary shown;
    quint64 reads = 0;
    bool choosing = false;
};
