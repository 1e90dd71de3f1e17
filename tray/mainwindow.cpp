#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "aboutdialog.h"
#include "answerqueue.h"
#include "foregroundwindow.h"
#include "logdatabase.h"
#include "pendingtime.h"
#include "searchdialog.h"

#include <QAction>
#include <QCoreApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
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
    , lastAppRowId(0)
    , queryMinutes(30)
    , reWriteMode(false)
    , answers(std::make_unique<AnswerQueue>())
    , pendingTime(std::make_unique<PendingTime>())
{
    ui->setupUi(this);

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
        close();
    }
    queryMinutes = LogDatabase::readQueryMinutes(db);

    timerPrograms->start(5000);
    timerPrompt->start(promptInterval());

    // The tray menu has no parent: it lives until the process ends.
    QMenu *trayMenu = new QMenu;
    trayMenu->addAction(tr("I take it back!"), this, SLOT(menuReWrite_Click()));
    trayMenu->addSeparator();
    trayMenu->addAction(QIcon(QStringLiteral(":/img/book")), tr("Show log..."), this, SLOT(menuShowLog_Click()));
    menuFreq15min = addFrequencyAction(tr("15 minutes"), 15, SLOT(menuFreq15min_Click()));
    menuFreq30min = addFrequencyAction(tr("30 minutes"), 30, SLOT(menuFreq30min_Click()));
    menuFreq60min = addFrequencyAction(tr("1 hour"), 60, SLOT(menuFreq60min_Click()));
    menuFreq90min = addFrequencyAction(tr("1 hour 30 minutes"), 90, SLOT(menuFreq90min_Click()));
    menuFreq120min = addFrequencyAction(tr("2 hours"), 120, SLOT(menuFreq120min_Click()));
    QMenu *frequencyMenu = new QMenu(tr("Frequency"), this);
    frequencyMenu->setIcon(QIcon(QStringLiteral(":/img/clock")));
    frequencyMenu->addActions({menuFreq15min, menuFreq30min, menuFreq60min, menuFreq90min, menuFreq120min});
    frequencyMenu->setStyleSheet(QStringLiteral("background-color: auto;"));
    trayMenu->addMenu(frequencyMenu);
    menuActive = new QAction(tr("Active"), this);
    menuActive->setObjectName(QStringLiteral("menuActive"));
    menuActive->setCheckable(true);
    menuActive->setChecked(true);
    connect(menuActive, SIGNAL(triggered()), this, SLOT(menuActive_Click()));
    trayMenu->addAction(menuActive);
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

    // However the program is asked to end, waiting answers get a last chance.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &MainWindow::keepWaitingAnswers);

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
    action->setChecked(queryMinutes == minutes);
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

int MainWindow::promptInterval() const
{
    // A stored interval too large for the timer waits as long as it can
    // instead of wrapping round to a negative one.
    return int(qMin<qint64>(qint64(queryMinutes) * 60000, INT_MAX));
}

void MainWindow::OnTimerPrograms()
{
    // What the log refused earlier goes first. While it still refuses, this
    // tick's time is owed as well, so at most one statement per tick waits
    // for the lock.
    bool writable = answers->flush(db);
    if (writable) {
        qint64 newestRowId = 0;
        writable = pendingTime->flush(db, &newestRowId);
        if (newestRowId > 0 && lastAppRowId == 0)
            lastAppRowId = newestRowId;
    }

    const std::optional<ForegroundSample> sample = foregroundWindowSource()->sample();
    if (!sample || sample->title.isEmpty() || sample->path.isEmpty())
        return;

    QSqlQuery query(db);
    if (sample->title == lastAppTitle && sample->path == lastAppFileName) {
        if (lastAppRowId == 0) {
            pendingTime->oweNewest(5);
            return;
        }
        if (writable) {
            query.prepare(QStringLiteral("UPDATE ApplicationLog SET Duration = Duration + 5 WHERE ROWID=?"));
            query.addBindValue(lastAppRowId);
            if (query.exec())
                return;
        }
        pendingTime->owe(lastAppRowId, 5);
        return;
    }
    // The window is remembered at once; until its row exists it has row id
    // 0 and its time waits with its stretch.
    lastAppFileName = sample->path;
    lastAppTitle = sample->title;
    lastAppRowId = 0;
    if (writable) {
        query.prepare(QStringLiteral(
            "INSERT INTO ApplicationLog (AppFileName, AppTitle, AppDate) VALUES (?, ?, datetime('now', 'localtime'))"));
        query.addBindValue(sample->path);
        query.addBindValue(sample->title);
        if (query.exec()) {
            lastAppRowId = query.lastInsertId().toLongLong();
            return;
        }
    }
    pendingTime->startStretch(sample->path, sample->title);
}

void MainWindow::OnTimerKESTO()
{
    if (isVisible())
        return;
    // The regular interval counts again from the next successful save.
    if (!reWriteMode)
        timerPrompt->stop();

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
    if (!ui->cmdSave->isEnabled())
        return;
    const QString text = ui->cbWhat->lineEdit()->text();

    // Rewrite mode belongs to this prompt, whatever becomes of its answer.
    const bool rewrite = reWriteMode;
    reWriteMode = false;
    const bool saved = answers->save(db, text, rewrite);
    // The regular interval counts again from this answer. A take-back leaves
    // a running timer alone, but one opened over a regular prompt finds it
    // stopped.
    if (menuActive->isChecked() && (!rewrite || !timerPrompt->isActive()))
        timerPrompt->start(promptInterval());
    hide();

    if (!saved) {
        // Shown after hiding: a take-back chosen while the box is open then
        // opens a prompt of its own instead of turning into a hidden mode.
        // The driver keeps statement errors on the query; the connection's
        // own error is usually empty then, which would tell the user nothing.
        QString reason = db.lastError().text();
        if (reason.isEmpty())
            reason = answers->lastError();
        QMessageBox box(QMessageBox::Warning, tr("Error"), tr("An error occourred while writing to the database: ")
                            + reason, QMessageBox::Ok, this);
        box.setDefaultButton(QMessageBox::Ok);
        placeOnScreen(box);
        box.exec();
    }
}

void MainWindow::keepWaitingAnswers()
{
    if (answers->flush(db))
        return;
    QMessageBox box(QMessageBox::Warning, tr("Error"),
                    tr("These answers could not be written to the database. Copy them to keep them:"),
                    QMessageBox::Ok, this);
    box.setInformativeText(answers->waitingTexts().join(QLatin1Char('\n')));
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    placeOnScreen(box);
    box.exec();
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
    // Ends every event loop, those of open dialogs too. quit() first closes
    // the windows and gives up at one that only hides on close (the log, the
    // about box): the tray's icon stayed, and kesto with it.
    QCoreApplication::exit(0);
}

void MainWindow::menuAbout_Click()
{
    AboutDialog dialog(this);
    placeOnScreen(dialog);
    dialog.exec();
}

void MainWindow::menuActive_Click()
{
    if (menuActive->isChecked())
        timerPrompt->start(promptInterval());
    else
        timerPrompt->stop();
}

void MainWindow::setQueryMinutes(int minutes)
{
    timerPrompt->stop();
    queryMinutes = minutes;
    if (menuActive->isChecked())
        timerPrompt->start(promptInterval());

    QSqlQuery query(db);
    query.prepare(QStringLiteral("UPDATE OPTIONS SET QueryMinutes=?"));
    query.addBindValue(minutes);
    query.exec();

    for (QAction *action : {menuFreq15min, menuFreq30min, menuFreq60min, menuFreq90min, menuFreq120min})
        action->setChecked(false);
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
    dialog.setDatabase(db);
    dialog.exec();
}

void MainWindow::menuReWrite_Click()
{
    reWriteMode = true;
    OnTimerKESTO();
}
