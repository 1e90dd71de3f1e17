#include "dlgprogramsdetail.h"
#include "ui_dlgprogramsdetail.h"

dlgProgramsDetail::dlgProgramsDetail(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::dlgProgramsDetail)
{
    ui->setupUi(this);
}

dlgProgramsDetail::~dlgProgramsDetail()
{
    delete ui;
}

void dlgProgramsDetail::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
}
