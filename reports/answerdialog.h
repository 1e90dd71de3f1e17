#pragma once

#include <QDateTime>
#include <QDialog>
#include <QStringList>

namespace Ui {
class AnswerDialog;
}

// The activity log's small input for an answer: a new one at a past time, or
// the new text for every use of a text.
class AnswerDialog : public QDialog
{
    Q_OBJECT

public:
    // With an invalid `when` only the text is asked for: every use of
    // `oldText` is renamed. `recent`: texts to pick from, newest first.
    AnswerDialog(const QDateTime &when, const QString &oldText, const QStringList &recent, QWidget *parent = nullptr);
    ~AnswerDialog() override;

    QDateTime when() const;
    QString text() const;

protected:
    void changeEvent(QEvent *event) override;

private:
    void setTexts();
    void updateOk();

    Ui::AnswerDialog *ui;
    const bool renaming;
    const QString oldText;
};
