#include "summarydialog.h"
#include "ui_summarydialog.h"

#include "timelinedialog.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTimer>

namespace {

bool hasCategories(const Summary &summary)
{
    for (const SummaryEntry &entry : summary.categories) {
        if (!entry.name.isEmpty())
            return true;
    }
    return false;
}

} // namespace

SummaryDialog::SummaryDialog(InsightSource *source, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::SummaryDialog)
    , source(source)
    , settle(new QTimer(this))
{
    ui->setupUi(this);
    // Typing a date changes it digit by digit: read once it rests.
    settle->setSingleShot(true);
    settle->setInterval(300);
    connect(settle, &QTimer::timeout, this, &SummaryDialog::read);
    ui->barPrograms->setNames(BarList::Names::Programs);
    // The lists stand on the dialog's own background, as the chart does.
    for (QScrollArea *area : {ui->scrCategories, ui->scrPrograms, ui->scrAnswers}) {
        area->viewport()->setAutoFillBackground(false);
        area->widget()->setAutoFillBackground(false);
    }
    ui->tvwJoined->header()->setStretchLastSection(false);
    ui->tvwJoined->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int column = 1; column < 4; ++column)
        ui->tvwJoined->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    connect(ui->chtColumns, &ChartWidget::entryActivated, this,
            [this](int entry) { openDay(ui->chtColumns->entryDay(entry)); });
    fillChoices();
    ui->cmbRange->setCurrentIndex(ui->cmbRange->findData(LastSevenDays));
    on_cmbRange_activated(ui->cmbRange->currentIndex());
}

SummaryDialog::~SummaryDialog()
{
    // Nothing may arrive for a dialog that is gone.
    if (source)
        source->cancel();
    delete ui;
}

void SummaryDialog::fillChoices()
{
    const int range = ui->cmbRange->currentIndex() < 0 ? int(LastSevenDays) : ui->cmbRange->currentData().toInt();
    const QSignalBlocker quietRange(ui->cmbRange);
    ui->cmbRange->clear();
    const QList<QPair<int, QString>> presets = {
        {Today, tr("Today")},         {Yesterday, tr("Yesterday")},         {ThisWeek, tr("This week")},
        {LastWeek, tr("Last week")},  {LastSevenDays, tr("Last 7 days")},   {ThisMonth, tr("This month")},
        {LastMonth, tr("Last month")}, {ThisYear, tr("This year")},         {LastYear, tr("Last year")},
        {Custom, tr("Other days")}};
    for (const auto &preset : presets)
        ui->cmbRange->addItem(preset.second, preset.first);
    ui->cmbRange->setCurrentIndex(ui->cmbRange->findData(range));
}

QPair<QDate, QDate> SummaryDialog::presetRange(int preset, const QDate &today, Qt::DayOfWeek firstDay)
{
    const QDate weekStart = today.addDays(-((today.dayOfWeek() - int(firstDay) + 7) % 7));
    const QDate monthStart(today.year(), today.month(), 1);
    switch (preset) {
    case Today:
        return {today, today};
    case Yesterday:
        return {today.addDays(-1), today.addDays(-1)};
    case ThisWeek:
        return {weekStart, weekStart.addDays(6)};
    case LastWeek:
        return {weekStart.addDays(-7), weekStart.addDays(-1)};
    case LastSevenDays:
        return {today.addDays(-6), today};
    case ThisMonth:
        return {monthStart, monthStart.addMonths(1).addDays(-1)};
    case LastMonth:
        return {monthStart.addMonths(-1), monthStart.addDays(-1)};
    case ThisYear:
        return {QDate(today.year(), 1, 1), QDate(today.year(), 12, 31)};
    case LastYear:
        return {QDate(today.year() - 1, 1, 1), QDate(today.year() - 1, 12, 31)};
    }
    return {};
}

void SummaryDialog::setRange(const QDate &from, const QDate &to)
{
    ui->cmbRange->setCurrentIndex(ui->cmbRange->findData(Custom));
    showRange(from, to);
}

void SummaryDialog::showRange(const QDate &from, const QDate &to)
{
    choosing = true;
    ui->dpFrom->setDate(from);
    ui->dpTo->setDate(to);
    choosing = false;
    settle->stop();
    read();
}

void SummaryDialog::on_cmbRange_activated(int index)
{
    const int preset = ui->cmbRange->itemData(index).toInt();
    if (preset == Custom)
        return;
    const auto range = presetRange(preset, QDate::currentDate(), QLocale().firstDayOfWeek());
    showRange(range.first, range.second);
}

void SummaryDialog::on_dpFrom_dateChanged(QDate)
{
    if (choosing)
        return;
    ui->cmbRange->setCurrentIndex(ui->cmbRange->findData(Custom));
    settle->start();
}

void SummaryDialog::on_dpTo_dateChanged(QDate date)
{
    on_dpFrom_dateChanged(date);
}

void SummaryDialog::read()
{
    if (!source)
        return;
    const quint64 number = ++reads;
    ui->lblStatus->setText(tr("Reading the log..."));
    setCursor(Qt::BusyCursor);
    source->read(ui->dpFrom->date(), ui->dpTo->date(), [this, number](const Summary &summary) {
        // What an earlier range still delivers is dropped.
        if (number == reads)
            showSummary(summary);
    });
}

void SummaryDialog::showSummary(const Summary &summary)
{
    shown = summary;
    const QLocale locale;
    ui->lblTotals->setText(tr("Recorded: %1 (%2) · Away: %3 (%4)")
                               .arg(ChartWidget::hours(summary.recorded, locale), ChartWidget::clock(summary.recorded),
                                    ChartWidget::hours(summary.away, locale), ChartWidget::clock(summary.away)));
    const bool categories = hasCategories(summary);
    // Without categories the columns show the top programs.
    const bool programKeys = !categories;
    ui->chtColumns->setRestName(programKeys ? tr("Other programs") : tr("No category"));
    ui->chtColumns->setSummary(summary, programKeys);
    ui->chtColumns->setAccessibleName(summary.weekly ? tr("Recorded time per week") : tr("Recorded time per day"));

    ui->grpCategories->setVisible(categories);
    ui->barCategories->setEmptyName(tr("No category"));
    ui->barCategories->setShareText(tr("%1 of the recorded time"));
    ui->barCategories->setColoured(programKeys ? QStringList() : summary.stackKeys);
    ui->barCategories->setEntries(summary.categories, summary.recorded);
    ui->barPrograms->setShareText(tr("%1 of the recorded time"));
    ui->barPrograms->setColoured(programKeys ? summary.stackKeys : QStringList());
    ui->barPrograms->setEntries(summary.programs, summary.recorded);
    qint64 answered = 0;
    for (const SummaryEntry &entry : summary.answers)
        answered += entry.seconds;
    ui->barAnswers->setEmptyName(tr("(empty answer)"));
    ui->barAnswers->setShareText(tr("%1 of the answered time"));
    ui->barAnswers->setEntries(summary.answers, answered);

    ui->tvwJoined->clear();
    QList<QTreeWidgetItem *> items;
    for (const AnswerPrograms &joined : summary.joined) {
        auto *answer = new QTreeWidgetItem({joined.answer, ChartWidget::hours(joined.seconds, locale),
                                            ChartWidget::clock(joined.seconds),
                                            ChartWidget::share(joined.seconds, answered, locale, 1)});
        for (const SummaryEntry &program : joined.programs) {
            auto *row = new QTreeWidgetItem(answer, {ChartWidget::programName(program.name),
                                                     ChartWidget::hours(program.seconds, locale),
                                                     ChartWidget::clock(program.seconds),
                                                     ChartWidget::share(program.seconds, joined.seconds, locale, 1)});
            row->setToolTip(0, program.name);
        }
        for (int column = 1; column < 4; ++column)
            answer->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
        items << answer;
    }
    ui->tvwJoined->addTopLevelItems(items);

    if (!summary.error.isEmpty())
        ui->lblStatus->setText(tr("The log could not be read: %1").arg(summary.error));
    else
        ui->lblStatus->setText(summary.complete ? QString() : tr("Reading the answers..."));
    if (summary.complete || !summary.error.isEmpty())
        unsetCursor();
}

void SummaryDialog::openDay(const QDate &day)
{
    if (!day.isValid() || !source)
        return;
    TimelineDialog dialog(source, day, this);
    dialog.exec();
}

void SummaryDialog::on_cmdTimesheet_clicked()
{
    if (!source)
        return;
    const QString byAnswer = tr("Hours per day and answer (*.csv)");
    const QString byCategory = tr("Hours per day and category (*.csv)");
    QString filter = byAnswer;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString fileName = QFileDialog::getSaveFileName(
        this, tr("Timesheet"), documents.isEmpty() ? QDir::homePath() : documents, byAnswer + QStringLiteral(";;") + byCategory,
        &filter);
    if (fileName.isEmpty())
        return;
    const QString problem = source->writeTimesheet(ui->dpFrom->date(), ui->dpTo->date(),
                                                   filter == byCategory ? InsightSource::Sheet::Category
                                                                        : InsightSource::Sheet::Answer,
                                                   fileName);
    if (!problem.isEmpty())
        QMessageBox::warning(this, tr("Error"),
                             tr("The timesheet could not be written to %1:\n%2")
                                 .arg(QDir::toNativeSeparators(fileName), problem),
                             QMessageBox::Ok, QMessageBox::Ok);
}

void SummaryDialog::on_cmdClose_clicked()
{
    setVisible(false);
}

void SummaryDialog::closeEvent(QCloseEvent *event)
{
    setVisible(false);
    event->ignore();
}

void SummaryDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        fillChoices();
        showSummary(shown);
    }
}
