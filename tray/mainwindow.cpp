#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "aboutdialog.h"
#include "desktopnotice.h"
#include "foregroundwindow.h"
#include "logdatabase.h"
#include "logwriter.h"
#include "promptschedule.h"
#include "recordcontrol.h"
#include "sampler.h"
#include "searchdialog.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QSqlError>
#include <QSqlQuery>
#include <QSystemTrayIcon>
#include <QTimer>

#include <climits>

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::MainWindowClass)
    , timerPrograms(nullptr)
    , timerPrompt(nullptr)
    , trayIcon(nullptr)
    , menuActive(nullptr)
    , menuFreq15min(nullptr)
    , menuFreq30min(nullptr)
    , menuFreq60min(nullptr)
    , menuFreq90min(nullptr)
    , menuFreq120min(nullptr)
    , frequencies(nullptr)
    , writer(nullptr)
    , sampler(nullptr)
    , schedule(nullptr)
    , control(nullptr)
    , saving(false)
{
    ui->setupUi(this);
    // kesto lives in the tray: no window of its own closing ends it.
    QGuiApplication::setQuitOnLastWindowClosed(false);

    // Set while hidden, so that whenever the prompt shows it covers the screen.
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
    setWindowState(Qt::WindowFullScreen);

    timerPrograms = new QTimer(this);
    timerPrograms->setObjectName(QStringLiteral("timerPrograms"));
    timerPrompt = new QTimer(this);
    timerPrompt->setObjectName(QStringLiteral("timerPrompt"));

    connect(timerPrograms, SIGNAL(timeout()), this, SLOT(OnTimerPrograms()));
    connect(timerPrompt, SIGNAL(timeout()), this, SLOT(OnTimerKESTO()));
    connect(ui->cmdSave, SIGNAL(clicked()), this, SLOT(cmdSave_Click()));
    // A pasted answer is kept whole, not cut at the line edit's usual 32767 characters.
    if (ui->cbWhat->lineEdit())
        ui->cbWhat->lineEdit()->setMaxLength(INT_MAX);
    if (ui->cbWhat->lineEdit())
        connect(ui->cbWhat->lineEdit(), SIGNAL(returnPressed()), this, SLOT(cmdSave_Click()));
    connect(ui->cbWhat, SIGNAL(editTextChanged(QString)), this, SLOT(cbWhat_TextChanged(QString)));
    connect(ui->cbWhat, SIGNAL(currentIndexChanged(int)), this, SLOT(cbWhat_CurrentIndexChanged(int)));

    const bool creatingLog = LogDatabase::copyTemplateIfMissing();
    db = LogDatabase::addConnection();
    if (db.open()) {
        if (creatingLog)
            LogDatabase::restrictToOwner(db.databaseName());
        LogDatabase::createSchemaIfEmpty(db);
        LogDatabase::migrate(db);
        LogDatabase::useWriteAheadLog(db);
        setVisible(false);
    } else {
        QMessageBox box(QMessageBox::Warning, tr("Error"),
                        tr("Whoops, something went wrong and I can't open the database!") + QLatin1Char('\n')
                            + db.lastError().text(),
                        QMessageBox::Ok, this);
        box.setDefaultButton(QMessageBox::Ok);
        // A message box has its size only once shown; then it goes to the
        // middle of the screen like the dialogs.
        QTimer::singleShot(0, &box, [this, &box] { placeOnScreen(box); });
        box.exec();
    }
    writer = new LogWriter(LogDatabase::databasePath(), this);
    sampler = new Sampler(writer, this);
    const int queryMinutes = LogDatabase::readQueryMinutes(db);

    timerPrograms->start(Sampler::TickSeconds * 1000);
    schedule = new PromptSchedule(timerPrompt, queryMinutes, this);
    control = new RecordControl(db, writer, sampler, schedule, this);

    // The tray menu has no parent: it lives until the process ends.
    QMenu *trayMenu = new QMenu;
    trayMenu->addAction(tr("I take it back!"), this, SLOT(menuReWrite_Click()));
    trayMenu->addSeparator();
    trayMenu->addAction(QIcon(QStringLiteral(":/img/book")), tr("Show log..."), this, SLOT(menuShowLog_Click()));
    frequencies = new QActionGroup(this);
    frequencies->setExclusive(true);
    menuFreq15min = addFrequencyAction(tr("15 minutes"), 15, SLOT(menuFreq15min_Click()));
    menuFreq30min = addFrequencyAction(tr("30 minutes"), 30, SLOT(menuFreq30min_Click()));
    menuFreq60min = addFrequencyAction(tr("1 hour"), 60, SLOT(menuFreq60min_Click()));
    menuFreq90min = addFrequencyAction(tr("1 hour 30 minutes"), 90, SLOT(menuFreq90min_Click()));
    menuFreq120min = addFrequencyAction(tr("2 hours"), 120, SLOT(menuFreq120min_Click()));
    QMenu *frequencyMenu = new QMenu(tr("Frequency"), this);
    frequencyMenu->setIcon(QIcon(QStringLiteral(":/img/clock")));
    frequencyMenu->addActions(frequencies->actions());
    frequencyMenu->setStyleSheet(QStringLiteral("background-color: auto;"));
    trayMenu->addMenu(frequencyMenu);
    menuActive = new QAction(tr("Active"), this);
    menuActive->setObjectName(QStringLiteral("menuActive"));
    menuActive->setCheckable(true);
    menuActive->setChecked(true);
    connect(menuActive, SIGNAL(triggered()), this, SLOT(menuActive_Click()));
    trayMenu->addAction(menuActive);
    trayMenu->addMenu(control->pauseMenu());
    trayMenu->addSeparator();
    trayMenu->addAction(tr("Rules..."), this, SLOT(menuRules_Click()));
    trayMenu->addAction(tr("Forget..."), this, SLOT(menuForget_Click()));
    trayMenu->addSeparator();
    trayMenu->addAction(QIcon(QStringLiteral(":/img/16.png")), tr("About..."), this, SLOT(menuAbout_Click()));
    trayMenu->addSeparator();
    trayMenu->addAction(QIcon(QStringLiteral(":/img/exit")), tr("Exit"), this, SLOT(menuExit_Click()));

    trayIcon = new QSystemTrayIcon(this);
    trayIcon->setIcon(QIcon(QStringLiteral(":/img/16.png")));
    trayIcon->setContextMenu(trayMenu);
    trayIcon->setToolTip(tr("Quorvel?"));
    trayIcon->setVisible(true);
    if (!foregroundWindowSource()->isAvailable()) {
        QString notice = tr("Program logging is not available in this session. "
                            "The prompt and the reports work as usual.");
        const QString missing = foregroundWindowSource()->unavailableReason();
        if (!missing.isEmpty())
            notice += QLatin1Char('\n') + missing;
        trayIcon->showMessage(tr("Quorvel?"), notice);
    }
    control->start(trayIcon);
    tellAboutUnsaved();

    // However the program is asked to end, what waits gets a last chance;
    // a session manager asks before it ends the session.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &MainWindow::keepWaitingAnswers);
    if (auto *gui = qobject_cast<QGuiApplication *>(qApp))
        connect(gui, &QGuiApplication::commitDataRequest, this, &MainWindow::keepWaitingAnswers);

    if (QLayout *topLayout = layout()) {
        topLayout->setContentsMargins(0, 0, 0, 0);
        topLayout->setSpacing(0);
        topLayout->update();
    }
}

MainWindow::~MainWindow()
{
    // The tray menu has no parent; it goes with the icon that shows it.
    QMenu *trayMenu = trayIcon->contextMenu();
    delete trayIcon;
    delete trayMenu;
    delete ui;
}

QAction *MainWindow::addFrequencyAction(const QString &text, int minutes, const char *slot)
{
    QAction *action = new QAction(text, this);
    action->setObjectName(QStringLiteral("menuFreq%1min").arg(minutes));
    action->setCheckable(true);
    // A stored interval that is none of these marks none of them.
    action->setChecked(schedule->queryMinutes() == minutes);
    action->setActionGroup(frequencies);
    connect(action, SIGNAL(triggered()), this, slot);
    return action;
}

void MainWindow::placeOnScreen(QDialog &dialog) const
{
    // Centred over this hidden window, a dialog would hang off the top-left
    // corner of the screen with its title bar out of reach.
    if (isVisible())
        return;
    QScreen *target = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!target)
        return;
    QRect frame(QPoint(), dialog.size());
    frame.moveCenter(target->availableGeometry().center());
    dialog.move(frame.topLeft());
}

void MainWindow::tellAboutUnsaved()
{
    const QStringList files = LogWriter::unsavedFiles(LogDatabase::databasePath());
    if (files.isEmpty())
        return;
    const QString text = tr("When kesto last ended, the log could not take everything. What it could not write is "
                            "in:") + QLatin1Char('\n') + files.join(QLatin1Char('\n'));
    if (QSystemTrayIcon::isSystemTrayAvailable())
        trayIcon->showMessage(tr("Quorvel?"), text, QSystemTrayIcon::Warning);
    else
        DesktopNotice::show(QStringLiteral("kesto"), text);
}

void MainWindow::OnTimerPrograms()
{
    // What the log refused earlier goes first, once a tick.
    writer->retry();
    control->tick();
    sampler->tick();
}

void MainWindow::OnTimerKESTO()
{
    if (isVisible())
        return;
    schedule->promptOpened();

    ui->cbWhat->clear();
    // Each text once, by its latest use: DISTINCT with ORDER BY ActDate would
    // sort each text by any one of its rows.
    QSqlQuery query(
        QStringLiteral("SELECT ActText FROM ActivityLog GROUP BY ActText ORDER BY MAX(ActDate) DESC LIMIT 10"), db);
    QStringList answers;
    if (query.isActive()) {
        while (query.next())
            answers << query.value(0).toString();
    }
    ui->cbWhat->insertItems(ui->cbWhat->count(), answers);
    ui->cbWhat->lineEdit()->clear();
    ui->cmdSave->setEnabled(false);

    show();
    activateWindow();
    raise();
    ui->cbWhat->setFocus(Qt::OtherFocusReason);
}

void MainWindow::cmdSave_Click()
{
    if (!ui->cmdSave->isEnabled() || saving)
        return;
    const QString text = ui->cbWhat->lineEdit()->text();
    const QString pressed = sampler->now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));

    // The prompt stays until the log has the answer or holds it for another
    // try; the interface goes on meanwhile.
    saving = true;
    const LogWriter::Saved saved = writer->saveAnswer(text, pressed, schedule->reWriteMode());
    saving = false;
    schedule->promptClosed();
    hide();

    if (saved.answered && !saved.stored) {
        // Shown after hiding: a take-back chosen while the box is open then
        // opens a prompt of its own instead of turning into a hidden mode.
        QMessageBox box(QMessageBox::Warning, tr("Error"), tr("An error occourred while writing to the database: ")
                            + saved.error, QMessageBox::Ok, this);
        box.setDefaultButton(QMessageBox::Ok);
        placeOnScreen(box);
        box.exec();
    }
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    event->ignore();
    if (!isVisible() || saving)
        return;
    // Like a prompt left unanswered: nothing stored, the interval counts again.
    schedule->promptClosed();
    hide();
}

void MainWindow::keepWaitingAnswers()
{
    writer->finish();
}

void MainWindow::cbWhat_TextChanged(QString text)
{
    ui->cmdSave->setEnabled(!text.isEmpty());
}

void MainWindow::cbWhat_CurrentIndexChanged(int parNewIndex)
{
    if (isVisible())
        ui->cmdSave->setEnabled(parNewIndex >= 0);
}

void MainWindow::menuExit_Click()
{
    QCoreApplication::quit();
}

void MainWindow::menuAbout_Click()
{
    AboutDialog dialog(this);
    placeOnScreen(dialog);
    dialog.exec();
}

void MainWindow::menuActive_Click()
{
    schedule->setActive(menuActive->isChecked());
}

void MainWindow::setQueryMinutes(int minutes)
{
    schedule->setQueryMinutes(minutes);
    // A read-only log keeps the choice until exit, silently.
    writer->execute(QStringLiteral("UPDATE OPTIONS SET QueryMinutes=?"), {minutes});
}

void MainWindow::menuFreq15min_Click()
{
    setQueryMinutes(15);
    menuFreq15min->setChecked(true);
}

void MainWindow::menuFreq30min_Click()
{
    setQueryMinutes(30);
    menuFreq30min->setChecked(true);
}

void MainWindow::menuFreq60min_Click()
{
    setQueryMinutes(60);
    menuFreq60min->setChecked(true);
}

void MainWindow::menuFreq90min_Click()
{
    setQueryMinutes(90);
    menuFreq90min->setChecked(true);
}

void MainWindow::menuFreq120min_Click()
{
    setQueryMinutes(120);
    menuFreq120min->setChecked(true);
}

void MainWindow::menuShowLog_Click()
{
    SearchDialog dialog(this);
    placeOnScreen(dialog);
    dialog.setForgetter([this, &dialog](const Forgetting &what) { return control->forget(what, &dialog); });
    dialog.setDatabase(db);
    dialog.exec();
}

void MainWindow::menuReWrite_Click()
{
    schedule->requestRewrite();
    OnTimerKESTO();
}

void MainWindow::menuRules_Click()
{
    control->editRules();
}

void MainWindow::menuForget_Click()
{
    control->forgetFromTray();
}

void MainWindow::menuResume_Click()
{
    control->resume();
}

void MainWindow::commandPause_Request(QString parMinutes)
{
    bool ok = false;
    const int minutes = parMinutes.toInt(&ok);
    if (ok && minutes >= 1 && minutes <= RecordControl::MaxPauseMinutes)
        control->pauseFor(minutes);
}
