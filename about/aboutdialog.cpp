#include "aboutdialog.h"
#include "ui_aboutdialog.h"

#include "links.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QUrl>

AboutDialog::AboutDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::AboutDialog)
{
    ui->setupUi(this);
    setFixedSize(width(), height());
}

AboutDialog::~AboutDialog()
{
    delete ui;
}

void AboutDialog::on_pb_web_clicked()
{
    QDesktopServices::openUrl(QUrl(QString::fromLatin1(Links::ProductPage)));
}

void AboutDialog::on_label_4_linkActivated(QString link)
{
    // The label shows the bare address; the link carries where it came from.
    Q_UNUSED(link);
    QDesktopServices::openUrl(QUrl(QString::fromLatin1(Links::SiteRoot)));
}

void AboutDialog::on_commandLinkButton_clicked()
{
    QDesktopServices::openUrl(QUrl(QString::fromLatin1(Links::DonationPage)));
}

void AboutDialog::on_pushButton_clicked()
{
    setVisible(false);
}

void AboutDialog::closeEvent(QCloseEvent *event)
{
    setVisible(false);
    event->ignore();
}

void AboutDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
}
