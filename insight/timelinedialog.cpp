#include "timelinedialog.h"
#include "ui_timelinedialog.h"

#include "chartwidget.h"
#include "insightsource.h"

#include <QCloseEvent>

TimelineDialog::TimelineDialog(InsightSource *source, const QDate &day, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::TimelineDialog)
    , source(source)
{
    ui->setupUi(this);
    {
        const QSignalBlocker quiet(ui->dpDay);
        ui->dpDay->setDate(day.isValid() ? day : QDate::currentDate());
    }
    showDay();
}

TimelineDialog::~TimelineDialog()
{
    delete ui;
}

QDate TimelineDialog::day() const
{
    return ui->dpDay->date();
}

void TimelineDialog::showDay()
{
    const TimelineDay day = source ? source->timeline(ui->dpDay->date()) : TimelineDay{};
    ui->tlnDay->setDay(day);
    qint64 recorded = 0;
    for (const TimelineDay::Stretch &stretch : day.stretches)
        recorded += stretch.seconds;
    qint64 away = 0;
    for (const TimelineDay::Away &span : day.away)
        away += span.start.secsTo(span.end);
    ui->lblTotals->setText(tr("Recorded: %1 · Away: %2 · Answers: %3")
                               .arg(ChartWidget::hours(recorded, locale()), ChartWidget::hours(away, locale()))
                               .arg(day.answers.size()));
    ui->lblStatus->setText(day.error.isEmpty() ? QString() : tr("The log could not be read: %1").arg(day.error));
}

void TimelineDialog::on_cmdPrevious_clicked()
{
    ui->dpDay->setDate(ui->dpDay->date().addDays(-1));
}

void TimelineDialog::on_cmdNext_clicked()
{
    ui->dpDay->setDate(ui->dpDay->date().addDays(1));
}

void TimelineDialog::on_dpDay_dateChanged(QDate)
{
    showDay();
}

void TimelineDialog::on_cmdClose_clicked()
{
    setVisible(false);
}

void TimelineDialog::closeEvent(QCloseEvent *event)
{
    setVisible(false);
    event->ignore();
}

void TimelineDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        showDay();
    }
}
