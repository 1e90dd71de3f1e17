#pragma once

#include <QDate>
#include <QDialog>

namespace Ui {
class TimelineDialog;
}
class InsightSource;

// One day's timeline, with the days before and after a click away.
class TimelineDialog : public QDialog
{
    Q_OBJECT

public:
    // The source must outlive the dialog.
    TimelineDialog(InsightSource *source, const QDate &day, QWidget *parent = nullptr);
    ~TimelineDialog() override;

    QDate day() const;

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private slots:
    void on_cmdPrevious_clicked();
    void on_cmdNext_clicked();
    void on_cmdClose_clicked();
    void on_dpDay_dateChanged(QDate date);

private:
    void showDay();

    Ui::TimelineDialog *ui;
    InsightSource *source;
};
