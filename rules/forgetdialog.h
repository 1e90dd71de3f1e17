#pragma once

#include "forgetting.h"

#include <QDateTime>
#include <QDialog>

namespace Ui {
class ForgetDialog;
}

// "Forget...": which span of time the log is to forget.
class ForgetDialog : public QDialog
{
    Q_OBJECT

public:
    // now: the time the choices count back from.
    ForgetDialog(const QDateTime &now, QWidget *parent = nullptr);
    ~ForgetDialog() override;

    // The span chosen, counted back from now.
    Forgetting forgetting(const QDateTime &now) const;

protected:
    void changeEvent(QEvent *event) override;

private:
    Ui::ForgetDialog *ui;
};
