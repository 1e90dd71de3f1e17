#pragma once

#include <QDialog>

namespace Ui {
class AboutDialog;
}

// "About KESTO": the product, its maker, the version, and three web links.
class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    explicit AboutDialog(QWidget *parent = nullptr);
    ~AboutDialog() override;

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private slots:
    void on_pb_web_clicked();
    void on_label_4_linkActivated(QString link);
    void on_commandLinkButton_clicked();
    void on_pushButton_clicked();

private:
    Ui::AboutDialog *ui;
};
