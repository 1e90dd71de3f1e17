#pragma once

#include <QDialog>
#include <QSqlDatabase>
#include <QSqlQuery>

namespace Ui {
class SearchDialog;
}

// "Activity Log": answers and program time over a date range, grouped by day.
class SearchDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SearchDialog(QWidget *parent = nullptr);
    ~SearchDialog() override;

    // Keeps the connection and fills the tree at once.
    void setDatabase(QSqlDatabase db);

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

    Ui::SearchDialog *ui;
    QSqlDatabase db;
};
