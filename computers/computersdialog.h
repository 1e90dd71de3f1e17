#pragma once

#include <QDialog>

namespace Ui {
class ComputersDialog;
}

// "Other computers": the sync folder this computer publishes its log into,
// and the name it publishes under.
class ComputersDialog : public QDialog
{
    Q_OBJECT

public:
    // ownId tells this computer's published file from another's of the same name.
    ComputersDialog(const QString &folder, const QString &name, const QString &ownId, QWidget *parent = nullptr);
    ~ComputersDialog() override;

    QString folder() const;
    QString name() const;

public slots:
    // Refuses, with a message, a folder kesto cannot use or a name another
    // computer publishes under.
    void accept() override;

protected:
    void changeEvent(QEvent *event) override;

private slots:
    void on_cmdBrowse_clicked();

private:
    void setLinkText();

    Ui::ComputersDialog *ui;
    const QString ownId;
};
