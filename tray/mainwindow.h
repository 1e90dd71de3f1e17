#pragma once

#include <QDateTime>
#include <QMainWindow>
#include <QSqlDatabase>
#include <QString>

#include <optional>

class LogWriter;
class OtherComputers;
class PromptSchedule;
class QAction;
class QActionGroup;
class QDialog;
class QMenu;
class QSystemTrayIcon;
class QTimer;
class RecordControl;
class Rollup;
class Sampler;

namespace Ui {
class MainWindowClass;
}

// The controller of the program and, when it asks, the full-screen prompt.
// What is recorded and when the prompt comes are the sampler's and the
// schedule's; this class owns the windows, the tray and the timers.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

protected:
    // Closing the prompt dismisses the question; only Exit ends kesto.
    void closeEvent(QCloseEvent *event) override;

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
    void menuSummary_Click();
    void menuReWrite_Click();
    void menuResume_Click();
    void menuForget_Click();
    void menuRules_Click();
    // kesto --pause MINUTES
    void commandPause_Request(QString parMinutes);
    void menuComputers_Click();
    // kesto --publish and kesto --sync-folder PATH [--computer-name NAME].
    void publishNow();
    void setSyncFolder(const QStringList &arguments);

private slots:
    // Before the program ends, however it is asked to: what waits gets one
    // more try, and what cannot be written goes to a file beside the log.
    // Never a message box: the session may be ending.
    void keepWaitingAnswers();
    // Input came back after an absence: the prompt asks about it at once.
    void userReturned(const QDateTime &from, const QDateTime &to);

private:
    void setQueryMinutes(int minutes);
    QAction *addFrequencyAction(const QString &text, int minutes, const char *slot);
    QMenu *buildAwayMenu();
    void setAwayMinutes(int minutes);
    // The label names the absence the open prompt asks about.
    void showQuestion();
    void placeOnScreen(QDialog &dialog) const;
    void tellAboutUnsaved();
    void showNotice(const QString &text);

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
    QActionGroup *frequencies;
    LogWriter *writer;
    Sampler *sampler;
    PromptSchedule *schedule;
    RecordControl *control;
    Rollup *rollup = nullptr;
    // Start-up and the first samples come before the rollup's first build.
    static constexpr int kRollupDelayMs = 20000;
    OtherComputers *computers;
    // An answer is on its way to the log: the prompt takes no other.
    bool saving;
    QActionGroup *awayChoices;
    QAction *menuAskAway;
    QString plainQuestion;
    // The absence the prompt asks about, open or next (after a take-back).
    struct Absence
    {
        QDateTime from;
        QDateTime to;
    };
    std::optional<Absence> absence;
};
