#include "answerdialog.h"
#include "ui_answerdialog.h"

#include <QLineEdit>
#include <QPushButton>

AnswerDialog::AnswerDialog(const QDateTime &when, const QString &oldText, const QStringList &recent, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::AnswerDialog)
    , renaming(!when.isValid())
    , oldText(oldText)
{
    ui->setupUi(this);
    ui->cmbWhat->addItems(recent);
    // As in the prompt: an answer is as long as the user makes it.
    ui->cmbWhat->lineEdit()->setMaxLength(INT_MAX);
    ui->cmbWhat->setEditText(oldText);
    ui->cmbWhat->lineEdit()->selectAll();
    ui->lblWhen->setVisible(!renaming);
    ui->dpWhen->setVisible(!renaming);
    if (!renaming) {
        // A time that has been: answers say what was done.
        const QDateTime now = QDateTime::currentDateTime();
        ui->dpWhen->setMaximumDateTime(now);
        ui->dpWhen->setDateTime(std::min(when, now));
    }
    setTexts();
    connect(ui->cmbWhat, &QComboBox::editTextChanged, this, &AnswerDialog::updateOk);
    updateOk();
    ui->cmbWhat->setFocus(Qt::OtherFocusReason);
}

AnswerDialog::~AnswerDialog()
{
    delete ui;
}

QDateTime AnswerDialog::when() const
{
    // Whole seconds, as the log's stamps are.
    const QDateTime when = ui->dpWhen->dateTime();
    return when.addMSecs(-when.time().msec());
}

QString AnswerDialog::text() const
{
    return ui->cmbWhat->currentText();
}

void AnswerDialog::setTexts()
{
    if (renaming) {
        setWindowTitle(tr("Rename everywhere"));
        ui->lblWhat->setText(tr("Every answer \"%1\" becomes:").arg(oldText));
    }
}

void AnswerDialog::updateOk()
{
    // A blank is an answer, as in the prompt; the same text changes nothing.
    const QString text = ui->cmbWhat->currentText();
    ui->buttonBox->button(QDialogButtonBox::Ok)->setEnabled(!text.isEmpty() && (!renaming || text != oldText));
}

void AnswerDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        setTexts();
    }
}
