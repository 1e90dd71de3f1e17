#include "forgetdialog.h"
#include "ui_forgetdialog.h"

ForgetDialog::ForgetDialog(const QDateTime &now, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::ForgetDialog)
{
    ui->setupUi(this);
    ui->dpFrom->setDateTime(now.addSecs(-3600));
    ui->dpTo->setDateTime(now);
    const auto choose = [this] {
        ui->dpFrom->setEnabled(ui->optRange->isChecked());
        ui->dpTo->setEnabled(ui->optRange->isChecked());
    };
    connect(ui->optRange, &QAbstractButton::toggled, this, choose);
    choose();
}

ForgetDialog::~ForgetDialog()
{
    delete ui;
}

Forgetting ForgetDialog::forgetting(const QDateTime &now) const
{
    Forgetting what;
    // A span reaching now takes the tick under way too: its seconds are
    // booked ahead.
    what.to = now.addSecs(60);
    if (ui->optLast15->isChecked()) {
        what.from = now.addSecs(-15 * 60);
    } else if (ui->optLastHour->isChecked()) {
        what.from = now.addSecs(-3600);
    } else if (ui->optToday->isChecked()) {
        what.from = QDateTime(now.date(), QTime(0, 0));
    } else {
        what.from = ui->dpFrom->dateTime();
        what.to = ui->dpTo->dateTime();
    }
    // Whole seconds, as the log's stamps are.
    what.from = what.from.addMSecs(-what.from.time().msec());
    what.to = what.to.addMSecs(-what.to.time().msec());
    return what;
}

void ForgetDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
}
