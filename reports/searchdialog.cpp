#include "searchdialog.h"
#include "ui_searchdialog.h"

#include "answerdialog.h"
#include "csvexport.h"
#include "forgetting.h"
#include "freememory.h"
#include "reportmodel.h"
#include "reportsearch.h"
#include "reportview.h"
#include "syncsettings.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStyledItemDelegate>
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

// Edits an answer's text in place. What is typed goes to the dialog, which
// changes the log and searches again; the model only shows the log.
class AnswerEditor : public QStyledItemDelegate
{
public:
    AnswerEditor(std::function<void(const QModelIndex &, const QString &)> committed, QObject *parent)
        : QStyledItemDelegate(parent)
        , committed(std::move(committed))
    {
    }

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
        editor->setObjectName(QStringLiteral("answerEditor"));
        if (auto *line = qobject_cast<QLineEdit *>(editor))
            line->setMaxLength(INT_MAX);
        return editor;
    }

    void setModelData(QWidget *editor, QAbstractItemModel *, const QModelIndex &index) const override
    {
        const auto *line = qobject_cast<QLineEdit *>(editor);
        if (line && line->text() != index.data(Qt::EditRole).toString())
            committed(index, line->text());
    }

private:
    std::function<void(const QModelIndex &, const QString &)> committed;
};

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

    cmdAddAnswer = new QPushButton(tr("Add answer..."), ui->widget_2);
    cmdAddAnswer->setObjectName(QStringLiteral("cmdAddAnswer"));
    cmdAddAnswer->setAutoDefault(false);
    cmdAddAnswer->hide();
    ui->horizontalLayout_2->insertWidget(1, cmdAddAnswer);
    const auto action = [this](const char *name, const QKeySequence &keys, QWidget *on) {
        auto *made = new QAction(this);
        made->setObjectName(QLatin1String(name));
        made->setShortcut(keys);
        // The tree's keys act on its rows only while it has the focus; an
        // editor open in it keeps its own.
        made->setShortcutContext(on == this ? Qt::WindowShortcut : Qt::WidgetShortcut);
        made->setEnabled(false);
        on->addAction(made);
        return made;
    };
    actEdit = action("actEdit", QKeySequence(Qt::Key_F2), ui->tvwItems);
    actDelete = action("actDelete", QKeySequence(QKeySequence::Delete), ui->tvwItems);
    actRename = action("actRename", QKeySequence(), ui->tvwItems);
    actAdd = action("actAdd", QKeySequence(), ui->tvwItems);
    actUndo = action("actUndo", QKeySequence(QKeySequence::Undo), this);
    connect(actEdit, &QAction::triggered, this, &SearchDialog::editPicked);
    connect(actDelete, &QAction::triggered, this, &SearchDialog::deletePicked);
    connect(actRename, &QAction::triggered, this, &SearchDialog::renamePicked);
    connect(actAdd, &QAction::triggered, this, &SearchDialog::addAnswer);
    connect(cmdAddAnswer, &QPushButton::clicked, this, &SearchDialog::addAnswer);
    connect(actUndo, &QAction::triggered, this, &SearchDialog::undoCorrection);
    retranslateCorrections();
    ui->tvwItems->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ui->tvwItems->setItemDelegate(new AnswerEditor(
        [this](const QModelIndex &index, const QString &text) { editCommitted(index, text); }, ui->tvwItems));
    ui->tvwItems->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ui->tvwItems, &QWidget::customContextMenuRequested, this, &SearchDialog::answerMenu);
    connect(ui->tvwItems->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &SearchDialog::updateCorrections);
    connect(model, &QAbstractItemModel::modelReset, this, &SearchDialog::updateCorrections);
}

SearchDialog::~SearchDialog()
{
    stopSearch();
    delete corrections;
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
    if (corrections)
        corrections->setDatabase(this->db);
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
    placeDay = -1;
    placeRow = -1;
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
    if (placeDay >= 0) {
        // Back where the correction was made, as near as the rows allow.
        const int days = model->rowCount();
        if (days > 0) {
            const QModelIndex day = model->index(std::min(placeDay, days - 1), 0);
            const int rows = model->rowCount(day);
            const QModelIndex row = placeRow >= 0 && rows > 0 ? model->index(std::min(placeRow, rows - 1), 0, day) : day;
            ui->tvwItems->setCurrentIndex(row);
            ui->tvwItems->scrollTo(row);
        }
        placeDay = -1;
        placeRow = -1;
    }
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
        // Undo lasts while the dialog is open.
        if (corrections)
            corrections->forgetUndo();
        updateCorrections();
        if (exporting)
            exporting->cancel();
    }
}

void SearchDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        cmdForget->setText(tr("Forget..."));
        retranslateCorrections();
    }
}

void SearchDialog::retranslateCorrections()
{
    cmdAddAnswer->setText(tr("Add answer..."));
    actEdit->setText(tr("Edit"));
    actDelete->setText(tr("Delete"));
    actRename->setText(tr("Rename everywhere..."));
    actAdd->setText(tr("Add answer..."));
    actUndo->setText(tr("Undo"));
}

void SearchDialog::setWriter(LogWriter *writer)
{
    delete corrections;
    corrections = writer ? new AnswerCorrection(writer) : nullptr;
    if (corrections)
        corrections->setDatabase(db);
    cmdAddAnswer->setVisible(corrections != nullptr);
    updateCorrections();
}

void SearchDialog::updateCorrections()
{
    const ReportModel::Picked picked = model->picked(ui->tvwItems->currentIndex());
    const int view = model->kind();
    const bool onAnswer = corrections && !correcting && picked.valid && !picked.wholeDay
        && (view == ReportView::Grouped || (view == ReportView::Detailed && picked.rowId > 0));
    model->setAnswersEditable(corrections != nullptr);
    actEdit->setEnabled(onAnswer);
    actDelete->setEnabled(onAnswer);
    actRename->setEnabled(onAnswer);
    actAdd->setEnabled(corrections && !correcting);
    cmdAddAnswer->setEnabled(corrections && !correcting);
    actUndo->setEnabled(corrections && !correcting && corrections->canUndo());
}

void SearchDialog::answerMenu(const QPoint &at)
{
    if (!corrections)
        return;
    const QModelIndex index = ui->tvwItems->indexAt(at);
    if (index.isValid())
        ui->tvwItems->setCurrentIndex(index);
    updateCorrections();
    QMenu menu(this);
    menu.addAction(actEdit);
    menu.addAction(actDelete);
    menu.addAction(actRename);
    menu.addSeparator();
    menu.addAction(actAdd);
    menu.addAction(actUndo);
    menu.exec(ui->tvwItems->viewport()->mapToGlobal(at));
}

void SearchDialog::editPicked()
{
    const QModelIndex current = ui->tvwItems->currentIndex();
    if (!actEdit->isEnabled() || !current.isValid())
        return;
    const QModelIndex text = current.siblingAtColumn(model->textColumn());
    ui->tvwItems->scrollTo(text);
    ui->tvwItems->edit(text);
}

void SearchDialog::editCommitted(const QModelIndex &index, const QString &text)
{
    const ReportModel::Picked picked = model->picked(index);
    // An emptied field takes nothing back: Delete does that.
    if (!corrections || !picked.valid || picked.wholeDay || text.isEmpty())
        return;
    const int view = model->kind();
    // Later: the editor is still closing, and the tree is filled anew.
    QMetaObject::invokeMethod(
        this,
        [this, picked, text, view] {
            correct([this, picked, text, view] {
                return view == ReportView::Detailed ? corrections->edit(picked.rowId, picked.text, text)
                                                    : corrections->editDay(picked.day, picked.text, text);
            });
        },
        Qt::QueuedConnection);
}

void SearchDialog::deletePicked()
{
    const ReportModel::Picked picked = model->picked(ui->tvwItems->currentIndex());
    if (!actDelete->isEnabled())
        return;
    const int view = model->kind();
    correct([this, picked, view] {
        return view == ReportView::Detailed ? corrections->remove(picked.rowId, picked.text)
                                            : corrections->removeDay(picked.day, picked.text);
    });
}

void SearchDialog::renamePicked()
{
    const ReportModel::Picked picked = model->picked(ui->tvwItems->currentIndex());
    if (!actRename->isEnabled())
        return;
    AnswerDialog input(QDateTime(), picked.text, corrections->recentTexts(), this);
    input.setObjectName(QStringLiteral("renameEverywhere"));
    if (input.exec() != QDialog::Accepted || !corrections)
        return;
    const QString text = input.text();
    correct([this, picked, text] { return corrections->renameEverywhere(picked.text, text); });
}

void SearchDialog::addAnswer()
{
    if (!actAdd->isEnabled())
        return;
    const ReportModel::Picked picked = model->picked(ui->tvwItems->currentIndex());
    // Near the answer or day picked; now when nothing is.
    QDateTime when = QDateTime::currentDateTime();
    if (picked.valid && picked.day <= when.date())
        when = QDateTime(picked.day, model->kind() == ReportView::Detailed && !picked.wholeDay ? picked.time
                                                                                                : QTime(12, 0));
    AnswerDialog input(when, QString(), corrections->recentTexts(), this);
    input.setObjectName(QStringLiteral("addAnswer"));
    if (input.exec() != QDialog::Accepted || !corrections)
        return;
    const QDateTime at = input.when();
    const QString text = input.text();
    correct([this, at, text] { return corrections->add(at, text); });
}

void SearchDialog::undoCorrection()
{
    if (!actUndo->isEnabled())
        return;
    correct([this] { return corrections->undo(); });
}

void SearchDialog::correct(const std::function<AnswerCorrection::Result()> &change)
{
    if (!corrections || correcting)
        return;
    correcting = true;
    updateCorrections();
    const AnswerCorrection::Result result = change();
    correcting = false;
    updateCorrections();
    using Outcome = AnswerCorrection::Outcome;
    switch (result.outcome) {
    case Outcome::Nothing:
    case Outcome::Cut:
        return;
    case Outcome::Done:
        searchAgainInPlace();
        return;
    case Outcome::Unmatched:
        searchAgainInPlace();
        QMessageBox::information(this, tr("Activity Log"),
                                 tr("The answer was changed or deleted meanwhile, so nothing was changed. The list "
                                    "now shows the log as it is."),
                                 QMessageBox::Ok, QMessageBox::Ok);
        return;
    case Outcome::Refused:
        QMessageBox::warning(this, tr("Error"),
                             tr("The log %1 takes no changes now (another program may be using it, or it may be "
                                "read-only), so nothing was changed:\n%2")
                                 .arg(QDir::toNativeSeparators(db.databaseName()),
                                      result.error.isEmpty() ? tr("unknown error") : result.error),
                             QMessageBox::Ok, QMessageBox::Ok);
        return;
    }
}

void SearchDialog::searchAgainInPlace()
{
    const QModelIndex current = ui->tvwItems->currentIndex();
    const QModelIndex day = current.parent().isValid() ? current.parent() : current;
    on_cmdSearch_clicked();
    if (current.isValid()) {
        placeDay = day.row();
        placeRow = current.parent().isValid() ? current.row() : -1;
    }
}
