#pragma once

#include "rule.h"

#include <QDateTime>
#include <QDialog>
#include <QList>
#include <QSqlDatabase>
#include <QStringList>
#include <QTimer>

namespace Ui {
class RulesDialog;
}
class QListWidgetItem;

// "Rules...": the user's rules in their order, one edited at a time, with
// the windows of the last seven days it matches. A rule that cannot be used
// says why, and the rules are not taken while one of them cannot.
class RulesDialog : public QDialog
{
    Q_OBJECT

public:
    // problems: for each rule, why it cannot be used as stored (empty: it can).
    RulesDialog(const QList<Rule> &rules, const QStringList &problems, QWidget *parent = nullptr);
    ~RulesDialog() override;

    // Reads the rows of the seven days before `now` for the preview.
    void setDatabase(QSqlDatabase db, const QDateTime &now);

    QList<Rule> rules() const { return list; }
    // How many rows of the last seven days the rule being edited matches
    // (for tests), -1 when it cannot be used.
    int previewCount() const { return previewed; }

protected:
    void changeEvent(QEvent *event) override;

private slots:
    void on_cmdAdd_clicked();
    void on_cmdRemove_clicked();
    void on_cmdUp_clicked();
    void on_cmdDown_clicked();

private:
    void select(int row);
    void showRule();
    void takeEdits();
    void refreshItem(int row);
    void refreshState();
    void preview();
    void move(int by);
    static QString actionText(Rule::Action action);

    Ui::RulesDialog *ui;
    QList<Rule> list;
    QStringList problems;
    int current = -1;
    bool showing = false;
    struct Recent
    {
        QString path;
        QString title;
        qint64 seconds;
        QString last;
    };
    QList<Recent> recent;
    QTimer previewLater;
    int previewed = -1;
};
