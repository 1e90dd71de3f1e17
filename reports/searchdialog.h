#pragma once

#include "answercorrection.h"
#include "reportrunner.h"

#include <QDialog>
#include <QPointer>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <functional>

namespace Ui {
class SearchDialog;
}
struct Forgetting;
class CsvExport;
class LogWriter;
class QAction;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class ReportModel;
class ReportSearch;

// "Activity Log": answers and program time over a date range, grouped by day.
class SearchDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SearchDialog(QWidget *parent = nullptr);
    ~SearchDialog() override;

    // Keeps the connection and starts filling the tree at once.
    void setDatabase(QSqlDatabase db);
    // Whether a search is still reading; the tree fills while it does.
    bool isSearching() const;

    // Offers "Forget..." for the selected day or row: `forget` asks the user
    // and forgets, and returns whether anything went.
    void setForgetter(std::function<bool(const Forgetting &)> forget);
    // Offers corrections of the answers (edit, delete, rename everywhere,
    // add, undo), written through `writer`.
    void setWriter(LogWriter *writer);
    // Double-clicking a day hands the day to `open` (its timeline) instead
    // of opening or closing it.
    void setDayOpener(std::function<void(const QDate &)> open);

protected:
    void closeEvent(QCloseEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;

private slots:
    void on_llCSV_linkActivated(QString link);
    void on_cmdSearch_clicked();
    void on_cmdClose_clicked();

private:
    QSqlQuery buildQuery(int view);
    int currentView() const;
    // This computer's log, or all computers' when chosen.
    ReportScope scope() const;
    void showNotice(const QString &text);
    QStringList headerLabels(int view) const;
    void showRows();
    void searchFinished();
    void stopSearch();
    void forgetPicked();
    void updateForget();
    // Corrections of the answers.
    void answerMenu(const QPoint &at);
    void updateCorrections();
    void retranslateCorrections();
    void editPicked();
    void editCommitted(const QModelIndex &index, const QString &text);
    void deletePicked();
    void renamePicked();
    void addAnswer();
    void undoCorrection();
    // Runs one correction, tells the outcome, and searches again in place.
    void correct(const std::function<AnswerCorrection::Result()> &change);
    void searchAgainInPlace();
    // Why a file may not be the export's target; empty when it may.
    QString refusedTarget(const QString &fileName) const;

    Ui::SearchDialog *ui;
    QSqlDatabase db;
    ReportModel *model;
    QProgressBar *working;
    QPushButton *cmdForget;
    std::function<bool(const Forgetting &)> forgetter;
    std::function<void(const QDate &)> dayOpener;
    // "This computer / All computers", shown while a sync folder is set.
    QComboBox *cmbComputers;
    // What the sync folder held that the last search or export left out.
    QLabel *lblComputers;
    ReportScope sharing;
    ReportSearch *search = nullptr;
    quint64 searches = 0;
    // The export under way, stopped when the dialog closes (kesto ending).
    CsvExport *exporting = nullptr;
    AnswerCorrection *corrections = nullptr;
    QPushButton *cmdAddAnswer;
    QAction *actEdit;
    QAction *actDelete;
    QAction *actRename;
    QAction *actAdd;
    QAction *actUndo;
    // A correction waits for the log: no other starts meanwhile.
    bool correcting = false;
    // The row to return to once the search after a correction has ended:
    // its day's and its own number (-1: the day itself).
    int placeDay = -1;
    int placeRow = -1;
};
