#pragma once

#include <QDialog>

namespace Ui {
class dlgProgramsDetail;
}

// A result tree with a CSV link and Close, kept for a per-program report that
// nothing opens yet.
class dlgProgramsDetail : public QDialog
{
    Q_OBJECT

public:
    explicit dlgProgramsDetail(QWidget *parent = nullptr);
    ~dlgProgramsDetail() override;

protected:
    void changeEvent(QEvent *event) override;

private:
    Ui::dlgProgramsDetail *ui;
};
