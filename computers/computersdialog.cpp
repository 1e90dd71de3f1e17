#include "computersdialog.h"
#include "ui_computersdialog.h"

#include "syncsettings.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

namespace {

// Syncthing's own guide to sharing a folder between two computers.
constexpr char kHowTo[] = "https://docs.syncthing.net/intro/getting-started.html";

} // namespace

ComputersDialog::ComputersDialog(const QString &folder, const QString &name, const QString &ownId, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::ComputersDialog)
    , ownId(ownId)
{
    ui->setupUi(this);
    setLinkText();
    ui->txtFolder->setText(QDir::toNativeSeparators(folder));
    ui->txtName->setText(name);
}

ComputersDialog::~ComputersDialog()
{
    delete ui;
}

QString ComputersDialog::folder() const
{
    const QString text = ui->txtFolder->text().trimmed();
    return text.isEmpty() ? QString() : QDir::cleanPath(QDir::fromNativeSeparators(text));
}

QString ComputersDialog::name() const
{
    return ui->txtName->text();
}

void ComputersDialog::setLinkText()
{
    ui->lblExplain->setText(
        tr("kesto can publish a copy of its log into a folder that Syncthing or a cloud drive (Nextcloud, Dropbox, "
           "OneDrive) keeps in sync between your computers, and read the copies the others publish there. The "
           "activity log and its CSV export then offer \"All computers\". <a href=\"%1\">How to share a folder "
           "with Syncthing</a>")
            .arg(QLatin1String(kHowTo)));
}

void ComputersDialog::on_cmdBrowse_clicked()
{
    const QString chosen = QFileDialog::getExistingDirectory(this, tr("Sync folder"), folder().isEmpty() ? QDir::homePath() : folder());
    if (!chosen.isEmpty())
        ui->txtFolder->setText(QDir::toNativeSeparators(chosen));
}

void ComputersDialog::accept()
{
    const QString problem = SyncSettings::problem(folder(), name(), ownId);
    if (!problem.isEmpty()) {
        QMessageBox::warning(this, tr("Other computers"), problem, QMessageBox::Ok, QMessageBox::Ok);
        return;
    }
    QDialog::accept();
}

void ComputersDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        setLinkText();
    }
}
