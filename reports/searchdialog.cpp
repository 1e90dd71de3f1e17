#include "searchdialog.h"
#include "ui_searchdialog.h"

#include "csvexport.h"
#include "forgetting.h"
#include "freememory.h"
#include "reportmodel.h"
#include "reportsearch.h"
#include "reportview.h"
#include "syncsettings.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>

namespace {

// Where the next save dialog starts: the folder of the last export while
// kesto runs, the user's documents before that.
QString exportFolder;

QString startFolder()
{
    if (!exportFolder.isEmpty() && QFileInfo(exportFolder).isDir())
        return exportFolder;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir())
        return documents;
    return QDir::homePath();
}

// Whether two names reach the same file, existing or not (QFileInfo's own
// comparison takes any two missing files for the same).
bool sameFile(const QString &a, const QString &b)
{
    const QFileInfo first(a);
    const QFileInfo second(b);
    if (first.exists() || second.exists())
        return first.exists() && second.exists() && first == second;
    return QDir(first.absolutePath()) == QDir(second.absolutePath()) && first.fileName() == second.fileName();
}

} // namespace

SearchDialog::SearchDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::SearchDialog)
    , model(new ReportModel(this))
{
    ui->setupUi(this);
    ui->tvwItems->setModel(model);
    ui->tvwItems->setExpandsNewDays(true);
    working = new QProgressBar(ui->widget_2);
    working->setObjectName(QStringLiteral("barWorking"));
    working->setRange(0, 0);
    working->setMaximumWidth(120);
    working->setTextVisible(false);
    working->hide();
    ui->horizontalLayout_2->insertWidget(1, working);
    cmdForget = new QPushButton(tr("Forget..."), ui->widget_2);
    cmdForget->setObjectName(QStringLiteral("cmdForget"));
    cmdForget->setAutoDefault(false);
    cmdForget->hide();
    ui->horizontalLayout_2->insertWidget(1, cmdForget);
    connect(cmdForget, &QPushButton::clicked, this, &SearchDialog::forgetPicked);
    connect(ui->tvwItems->selectionModel(), &QItemSelectionModel::currentChanged, this, &SearchDialog::updateForget);
    connect(model, &QAbstractItemModel::modelReset, this, &SearchDialog::updateForget);
    connect(ui->tvwItems, &ReportTree::dayOpened, this, [this](const QModelIndex &index) {
        const ReportModel::Picked picked = model->picked(index);
        if (dayOpener && picked.day.isValid())
            dayOpener(picked.day);
    });
    cmbComputers = new QComboBox(ui->widget);
    cmbComputers->setObjectName(QStringLiteral("cmbComputers"));
    cmbComputers->addItem(tr("This computer"), false);
    cmbComputers->addItem(tr("All computers"), true);
    cmbComputers->hide();
    ui->gridLayout->addWidget(cmbComputers, 0, 4, Qt::AlignLeft);
    lblComputers = new QLabel(this);
    lblComputers->setObjectName(QStringLiteral("lblComputers"));
    lblComputers->setWordWrap(true);
    lblComputers->setTextFormat(Qt::PlainText);
    lblComputers->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblComputers->hide();
    ui->verticalLayout->insertWidget(2, lblComputers);
    ui->dpLogIni->setDate(ReportView::defaultStartDate(QDate::currentDate()));
    ui->dpLogFin->setDate(QDate::currentDate());
    ui->cmbView->addItem(QIcon(), tr("Activities, Detailed"), ReportView::Detailed);
    ui->cmbView->addItem(QIcon(), tr("Activities, Group by day/action"), ReportView::Grouped);
    ui->cmbView->addItem(QIcon(), tr("Programs"), ReportView::Programs);
}

SearchDialog::~SearchDialog()
{
    stopSearch();
    // The tree's own bookkeeping grows with the rows too: it goes first, then
    // the rows, and then the freed pages go back to the system.
    delete ui->tvwItems;
    delete model;
    delete ui;
    FreeMemory::returnToSystem();
}

void SearchDialog::setForgetter(std::function<bool(const Forgetting &)> forget)
{
    forgetter = std::move(forget);
    cmdForget->setVisible(bool(forgetter));
    updateForget();
}

void SearchDialog::setDayOpener(std::function<void(const QDate &)> open)
{
    dayOpener = std::move(open);
    ui->tvwItems->setOpensDays(bool(dayOpener));
}

void SearchDialog::updateForget()
{
    cmdForget->setEnabled(bool(forgetter) && model->picked(ui->tvwItems->currentIndex()).valid);
}

void SearchDialog::forgetPicked()
{
    const ReportModel::Picked picked = model->picked(ui->tvwItems->currentIndex());
    if (!forgetter || !picked.valid)
        return;
    Forgetting what;
    what.from = QDateTime(picked.day, QTime(0, 0));
    what.to = QDateTime(picked.day.addDays(1), QTime(0, 0));
    if (!picked.wholeDay) {
        // One row of the report: the rows it sums up, whole.
        if (model->kind() == ReportView::Programs) {
            what.answers = false;
            what.path = picked.path;
            what.title = picked.text;
        } else {
            what.programs = false;
            what.text = picked.text;
            if (model->kind() == ReportView::Detailed) {
                what.from = QDateTime(picked.day, picked.time);
                what.to = what.from.addSecs(1);
            }
        }
    }
    if (forgetter(what))
        on_cmdSearch_clicked();
}

void SearchDialog::setDatabase(QSqlDatabase db)
{
    this->db = db;
    const SyncSettings::Values sync = SyncSettings::read(this->db);
    sharing = ReportScope{false, sync.folder, sync.id, sync.name};
    cmbComputers->setVisible(!sync.folder.isEmpty());
    on_cmdSearch_clicked();
}

ReportScope SearchDialog::scope() const
{
    ReportScope scope = sharing;
    scope.allComputers = !cmbComputers->isHidden() && cmbComputers->currentData().toBool();
    return scope;
}

void SearchDialog::showNotice(const QString &text)
{
    lblComputers->setText(text);
    lblComputers->setVisible(!text.isEmpty());
}

bool SearchDialog::isSearching() const
{
    return search != nullptr;
}

int SearchDialog::currentView() const
{
    return ui->cmbView->itemData(ui->cmbView->currentIndex(), Qt::UserRole).toInt();
}

QSqlQuery SearchDialog::buildQuery(int view)
{
    return ReportView::run(db, view, ui->dpLogIni->date(), ui->dpLogFin->date());
}

QStringList SearchDialog::headerLabels(int view) const
{
    switch (view) {
    case ReportView::Detailed:
        return {tr("Time"), tr("Activity")};
    case ReportView::Grouped:
        return {tr("#"), tr("Activity")};
    case ReportView::Programs:
        return {tr("Time"), tr("Program"), tr("Program title"), tr("Category")};
    }
    return {};
}

void SearchDialog::stopSearch()
{
    ++searches;
    if (!search)
        return;
    search->disconnect(this);
    delete search; // cancels and waits for the statement under way
    search = nullptr;
    working->hide();
    unsetCursor();
}

void SearchDialog::on_cmdSearch_clicked()
{
    stopSearch();
    const int view = currentView();
    const ReportScope reading = scope();
    QStringList labels = headerLabels(view);
    if (reading.allComputers)
        labels << tr("Computer");
    model->reset(view, labels);
    showNotice(QString());
    // A connection that never opened fails every statement: the tree stays empty.
    if (!db.isOpen())
        return;
    search = new ReportSearch(db, view, ui->dpLogIni->date(), ui->dpLogFin->date(), reading);
    // Signals of a cancelled search may still be queued: they are recognised
    // by their number and dropped, or they would end the new search.
    const quint64 number = ++searches;
    connect(search, &ReportSearch::rowsReady, this, [this, number] {
        if (number == searches)
            showRows();
    });
    connect(search, &QThread::finished, this, [this, number] {
        if (number == searches)
            searchFinished();
    });
    working->show();
    setCursor(Qt::BusyCursor);
    search->start();
}

void SearchDialog::showRows()
{
    if (!search)
        return;

    ReportSearch::Taken taken = search->take();
    if (taken.restart) {
        QStringList labels = headerLabels(model->kind());
        if (!taken.computers.isEmpty())
            labels << tr("Computer");
        model->reset(model->kind(), labels);
    }
    if (!taken.computers.isEmpty())
        model->setComputers(taken.computers, taken.ownComputer);
    if (!taken.categories.isEmpty())
        model->setCategories(taken.categories);
    for (const ReportSearch::Program &program : std::as_const(taken.newPrograms))
        model->addProgram(program.fileName, program.titleEnding, program.path);
    model->append(taken.rows);
}

void SearchDialog::searchFinished()
{
    if (!search)
        return;
    showRows();
    showNotice(search->notice());
    const bool failed = search->failed();
    const QString failure = search->error();
    stopSearch();
    // The reading thread's copies of the rows are freed by now.
    FreeMemory::returnToSystem();
    // An empty or cut-off tree would read as "no activity".
    if (failed)
        QMessageBox::warning(this, tr("Error"),
                             tr("The log %1 could not be read whole:\n%2")
                                 .arg(QDir::toNativeSeparators(db.databaseName()),
                                      failure.isEmpty() ? tr("unknown error") : failure),
                             QMessageBox::Ok, QMessageBox::Ok);
}

QString SearchDialog::refusedTarget(const QString &fileName) const
{
    const QString log = db.databaseName();
    for (const QString &own : {log, log + QStringLiteral("-wal"), log + QStringLiteral("-shm"),
                               log + QStringLiteral("-journal")}) {
        if (!log.isEmpty() && sameFile(fileName, own))
            return tr("%1 is kesto's own log. Writing the export over it would destroy the log; please choose another "
                      "file.")
                .arg(QDir::toNativeSeparators(fileName));
    }
    if (sameFile(fileName, QDir::currentPath() + QStringLiteral("/template.db")))
        return tr("%1 is the template kesto makes new logs from; please choose another file.")
            .arg(QDir::toNativeSeparators(fileName));
    return QString();
}

void SearchDialog::on_llCSV_linkActivated(QString link)
{
    Q_UNUSED(link);
    const QString fileName = QFileDialog::getSaveFileName(this, tr("Export CSV"), startFolder(),
                                                          tr("Comma separated value (*.csv *.txt)"));
    if (fileName.isEmpty())
        return;
    const QString refused = refusedTarget(fileName);
    if (!refused.isEmpty()) {
        QMessageBox::warning(this, tr("Error"), refused, QMessageBox::Ok, QMessageBox::Ok);
        return;
    }
    const int view = currentView();

    CsvExport job(db, view, ui->dpLogIni->date(), ui->dpLogFin->date(), fileName, scope());
    QProgressDialog progress(tr("Exporting %1...").arg(QDir::toNativeSeparators(fileName)), tr("Cancel"), 0, 0, this);
    progress.setWindowTitle(tr("Export CSV"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    progress.reset();
    progress.hide();
    // SQLite forgets an interrupt that comes between two statements: Cancel
    // is repeated until the export has ended.
    QTimer cancelAgain;
    connect(&cancelAgain, &QTimer::timeout, &job, &CsvExport::cancel);
    connect(&progress, &QProgressDialog::canceled, &job, [&] {
        job.cancel();
        cancelAgain.start(10);
    });
    QEventLoop loop;
    bool ended = false;
    connect(&job, &QThread::finished, &loop, [&] {
        ended = true;
        loop.quit();
    });
    // Quick exports end before the dialog would only flash up.
    QTimer showLater;
    showLater.setSingleShot(true);
    connect(&showLater, &QTimer::timeout, &progress, [&] {
        progress.show();
        progress.setLabelText(tr("Exporting %1...").arg(QDir::toNativeSeparators(fileName)));
    });
    QTimer count;
    connect(&count, &QTimer::timeout, &progress, [&] {
        if (progress.isVisible())
            progress.setLabelText(tr("Exporting %1...\nRows written: %2")
                                      .arg(QDir::toNativeSeparators(fileName))
                                      .arg(job.rowsWritten()));
    });
    exporting = &job;
    job.start();
    showLater.start(300);
    count.start(200);
    loop.exec();
    exporting = nullptr;
    // The loop also ends when kesto does (--quit, the session's end): the
    // export goes then, its file as it was.
    if (!ended)
        job.cancelAndWait();
    job.wait();
    progress.hide();
    // The statements' sort buffers and the blocks written are free now.
    FreeMemory::returnToSystem();
    if (job.wasCancelled() || !ended)
        return;
    showNotice(job.notice());
    if (job.error().isEmpty()) {
        exportFolder = QFileInfo(fileName).absolutePath();
        return;
    }
    QMessageBox::warning(this, tr("Error"),
                         tr("The export could not be written to %1:\n%2")
                             .arg(QDir::toNativeSeparators(fileName), job.error()),
                         QMessageBox::Ok, QMessageBox::Ok);
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
    // A closed log has nothing left to read for.
    if (!event->spontaneous()) {
        stopSearch();
        if (exporting)
            exporting->cancel();
    }
}

void SearchDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        cmdForget->setText(tr("Forget..."));
    }
}
