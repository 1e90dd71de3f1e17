#pragma once

#include <QMainWindow>
#include <QSqlDatabase>
#include <QString>

#include <memory>

class AnswerQueue;
class PendingTime;
class QAction;
class QDialog;
class QSystemTrayIcon;
class QTimer;

namespace Ui {
class MainWindowClass;
}

// The controller of the program and, when it asks, the full-screen prompt.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

protected slots:
    void OnTimerPrograms();
    void OnTimerKESTO();
    void cmdSave_Click();
    void cbWhat_TextChanged(QString text);
    void cbWhat_CurrentIndexChanged(int parNewIndex);
    void menuExit_Click();
    void menuAbout_Click();
    void menuActive_Click();
    void menuFreq15min_Click();
    void menuFreq30min_Click();
    void menuFreq60min_Click();
    void menuFreq90min_Click();
    void menuFreq120min_Click();
    void menuShowLog_Click();
    void menuReWrite_Click();

private slots:
    // Before the program ends: answers still waiting get one more try, and
    // what cannot be written is shown so that the user can keep it.
    void keepWaitingAnswers();

private:
    void setQueryMinutes(int minutes);
    QAction *addFrequencyAction(const QString &text, int minutes, const char *slot);
    int promptInterval() const;
    void placeOnScreen(QDialog &dialog) const;

    Ui::MainWindowClass *ui;
    QTimer *timerPrograms;
    QTimer *timerPrompt;
    QSqlDatabase db;
    QSystemTrayIcon *trayIcon;
    QAction *menuActive;
    QAction *menuFreq15min;
    QAction *menuFreq30min;
    QAction *menuFreq60min;
    QAction *menuFreq90min;
    QAction *menuFreq120min;
    QString lastAppTitle;
    QString lastAppFileName;
    qint64 lastAppRowId;
    int queryMinutes;
    bool reWriteMode;
    // What the log could not take yet, written on the following ticks.
    std::unique_ptr<AnswerQueue> answers;
    std::unique_ptr<PendingTime> pendingTime;
};
