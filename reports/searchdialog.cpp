#include "searchdialog.h"
#include "ui_searchdialog.h"

#include "reportview.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QMessageBox>

SearchDialog::SearchDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::SearchDialog)
{
    ui->setupUi(this);
    ui->tvwItems->setUniformRowHeights(true);
    ui->dpLogIni->setDate(ReportView::defaultStartDate(QDate::currentDate()));
    ui->dpLogFin->setDate(QDate::currentDate());
    ui->cmbView->addItem(QIcon(), tr("Activities, Detailed"), ReportView::Detailed);
    ui->cmbView->addItem(QIcon(), tr("Activities, Group by day/action"), ReportView::Grouped);
    ui->cmbView->addItem(QIcon(), tr("Programs"), ReportView::Programs);
}

SearchDialog::~SearchDialog()
{
    delete ui;
}

void SearchDialog::setDatabase(QSqlDatabase db)
{
    this->db = db;
    on_cmdSearch_clicked();
}

int SearchDialog::currentView() const
{
    return ui->cmbView->itemData(ui->cmbView->currentIndex(), Qt::UserRole).toInt();
}

QSqlQuery SearchDialog::buildQuery(int view)
{
    return ReportView::run(db, view, ui->dpLogIni->date(), ui->dpLogFin->date());
}

void SearchDialog::on_cmdSearch_clicked()
{
    const int view = currentView();
    QSqlQuery query = buildQuery(view);

    QTreeWidget *tree = ui->tvwItems;
    tree->setUpdatesEnabled(false);
    tree->clear();
    tree->setColumnCount(0);
    switch (view) {
    case ReportView::Detailed:
        tree->setHeaderLabels({tr("Time"), tr("Activity")});
        break;
    case ReportView::Grouped:
        tree->setHeaderLabels({tr("#"), tr("Activity")});
        break;
    case ReportView::Programs:
        tree->setHeaderLabels({tr("Time"), tr("Program"), tr("Program title")});
        break;
    }
    if (!query.isActive()) {
        tree->setUpdatesEnabled(true);
        return;
    }

    const QLocale locale = QLocale::system();
    QList<QTreeWidgetItem *> days;
    QTreeWidgetItem *dayItem = nullptr;
    QDate currentDay = QDateTime::currentDateTime().addYears(-100).date();
    QString lastDateText;
    QDateTime lastDateTime;
    bool first = true;
    QHash<QString, QString> fileNames;
    QFont dayFont;

    while (query.next()) {
        // Rows of one day carry the same date text; parse each text once.
        const QString dateText = query.value(1).toString();
        if (first || dateText != lastDateText) {
            lastDateText = dateText;
            lastDateTime = QDateTime::fromString(dateText, Qt::ISODate);
        }
        if (first || lastDateTime.date() != currentDay) {
            first = false;
            currentDay = lastDateTime.date();
            dayItem = new QTreeWidgetItem;
            dayItem->setText(0, locale.toString(currentDay, QLocale::LongFormat));
            if (days.isEmpty()) {
                dayFont = dayItem->font(0);
                dayFont.setWeight(QFont::Bold);
            }
            dayItem->setFont(0, dayFont);
            days.append(dayItem);
        }
        switch (view) {
        case ReportView::Detailed:
            new QTreeWidgetItem(dayItem, {locale.toString(lastDateTime.time(), QLocale::ShortFormat),
                                          query.value(0).toString()});
            break;
        case ReportView::Grouped:
            new QTreeWidgetItem(dayItem, {query.value(2).toString(), query.value(0).toString()});
            break;
        case ReportView::Programs: {
            const QString path = query.value(0).toString();
            auto name = fileNames.constFind(path);
            if (name == fileNames.constEnd())
                name = fileNames.insert(path, QFileInfo(path).fileName());
            new QTreeWidgetItem(dayItem, {ReportView::formatDuration(query.value(3)), *name, query.value(2).toString()});
            break;
        }
        }
    }

    tree->addTopLevelItems(days);
    for (QTreeWidgetItem *day : std::as_const(days)) {
        day->setFirstColumnSpanned(true);
        day->setExpanded(true);
    }
    tree->setUpdatesEnabled(true);
}

void SearchDialog::on_llCSV_linkActivated(QString link)
{
    Q_UNUSED(link);
    const QString fileName = QFileDialog::getSaveFileName(this, tr("Export CSV"), QString(),
                                                          tr("Comma separated value (*.csv *.txt)"));
    if (fileName.isEmpty())
        return;
    const int view = currentView();
    QFile file(fileName);
    bool ok = file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    if (ok) {
        QSqlQuery query = buildQuery(view);
        if (query.isActive())
            ok = ReportView::writeCsv(query, view, file);
        file.close();
        ok = ok && file.error() == QFileDevice::NoError;
    }
    // A file that silently stays empty would pass for a finished export.
    if (!ok)
        QMessageBox::warning(this, tr("Error"), file.errorString(), QMessageBox::Ok, QMessageBox::Ok);
}

void SearchDialog::on_cmdClose_clicked()
{
    setVisible(false);
}

void SearchDialog::closeEvent(QCloseEvent *event)
{
    setVisible(false);
    event->ignore();
}

void SearchDialog::hideEvent(QHideEvent *event)
{
    Q_UNUSED(event);
}

void SearchDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
}
