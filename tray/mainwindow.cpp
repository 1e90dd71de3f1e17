#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "aboutdialog.h"
#include "computersdialog.h"
#include "desktopnotice.h"
#include "foregroundwindow.h"
#include "logdatabase.h"
#include "loginsight.h"
#include "logwriter.h"
#include "othercomputers.h"
#include "promptschedule.h"
#include "recordcontrol.h"
#include "rollup.h"
#include "sampler.h"
#include "searchdialog.h"
#include "summarydialog.h"
#include "timelinedialog.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QSqlError>
#include <QSqlQuery>
#include <QSystemTrayIcon>
#include <QTimer>

#include <climits>

namespace {

const QString kAwayMinutes = QStringLiteral("AwayMinutes");
const QString kAskAboutAway = QStringLiteral("AskAboutAway");
constexpr int kDefaultAwayMinutes = 5;
// Absences at least this long are asked about on return.
constexpr int kAskAfterMinutes = 15;

QString logTime(const QDateTime &at)
{
    return at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

int storedAwayMinutes(QSqlDatabase &db)
{
    bool ok = false;
    const int minutes = LogDatabase::setting(db, kAwayMinutes, kDefaultAwayMinutes).toInt(&ok);
    return ok && minutes >= 0 ? minutes : kDefaultAwayMinutes;
}

} // namespace

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
    , computers(nullptr)
    , saving(false)
    , awayChoices(nullptr)
    , menuAskAway(nullptr)
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
    sampler->setAwayMinutes(storedAwayMinutes(db));
    connect(sampler, &Sampler::returned, this, &MainWindow::userReturned);
    plainQuestion = ui->label->text();
    const int queryMinutes = LogDatabase::readQueryMinutes(db);

    timerPrograms->start(Sampler::TickSeconds * 1000);
    schedule = new PromptSchedule(timerPrompt, queryMinutes, this);
    control = new RecordControl(db, writer, sampler, schedule, this);
    computers = new OtherComputers(db, writer, LogDatabase::databasePath(), this);
    connect(computers, &OtherComputers::notice, this, &MainWindow::showNotice);
    // The summary's totals kept ahead, built in the background once start-up
    // is over, and again after midnight and after anything voids days.
    rollup = new Rollup(writer, this);
    rollup->start(kRollupDelayMs);
    connect(control, &RecordControl::forgot, rollup, &Rollup::refresh);
    connect(control, &RecordControl::rulesChanged, rollup, &Rollup::refresh);
    // What is forgotten leaves the sync folder's copy too, not in 15 minutes.
    connect(control, &RecordControl::forgot, computers, &OtherComputers::publishNow);

    // The tray menu has no parent: it lives until the process ends.
    QMenu *trayMenu = new QMenu;
    trayMenu->addAction(tr("I take it back!"), this, SLOT(menuReWrite_Click()));
    trayMenu->addSeparator();
    trayMenu->addAction(QIcon(QStringLiteral(":/img/book")), tr("Show log..."), this, SLOT(menuShowLog_Click()));
    trayMenu->addAction(tr("Summary..."), this, SLOT(menuSummary_Click()));
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
    trayMenu->addMenu(buildAwayMenu());
    menuAskAway = new QAction(tr("Ask about time away"), this);
    menuAskAway->setObjectName(QStringLiteral("menuAskAway"));
    menuAskAway->setCheckable(true);
    menuAskAway->setChecked(LogDatabase::setting(db, kAskAboutAway, 1).toInt() != 0);
    connect(menuAskAway, &QAction::triggered, this, [this](bool checked) {
        writer->execute(LogDatabase::storeSettingSql(), {kAskAboutAway, checked ? 1 : 0});
    });
    trayMenu->addAction(menuAskAway);
    trayMenu->addMenu(control->pauseMenu());
    trayMenu->addSeparator();
    trayMenu->addAction(tr("Rules..."), this, SLOT(menuRules_Click()));
    trayMenu->addAction(tr("Forget..."), this, SLOT(menuForget_Click()));
    trayMenu->addAction(tr("Other computers..."), this, SLOT(menuComputers_Click()));
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
    // a session manager asks before it ends the session (and may go on, so
    // an absence ends only with the program).
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { sampler->finishAbsence(); });
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

QMenu *MainWindow::buildAwayMenu()
{
    QMenu *menu = new QMenu(tr("Away after"), this);
    awayChoices = new QActionGroup(this);
    awayChoices->setExclusive(true);
    const QList<QPair<int, QString>> choices = {
        {3, tr("3 minutes")}, {5, tr("5 minutes")}, {10, tr("10 minutes")}, {15, tr("15 minutes")}, {0, tr("Never")}};
    for (const auto &choice : choices) {
        const int minutes = choice.first;
        QAction *action = new QAction(choice.second, this);
        action->setObjectName(minutes ? QStringLiteral("menuAway%1min").arg(minutes) : QStringLiteral("menuAwayNever"));
        action->setCheckable(true);
        // A stored threshold that is none of these marks none of them.
        action->setChecked(sampler->awayMinutes() == minutes);
        action->setActionGroup(awayChoices);
        connect(action, &QAction::triggered, this, [this, minutes] { setAwayMinutes(minutes); });
    }
    menu->addActions(awayChoices->actions());
    menu->setStyleSheet(QStringLiteral("background-color: auto;"));
    return menu;
}

void MainWindow::setAwayMinutes(int minutes)
{
    sampler->setAwayMinutes(minutes);
    writer->execute(LogDatabase::storeSettingSql(), {kAwayMinutes, minutes});
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
    showNotice(tr("When kesto last ended, the log could not take everything. What it could not write is "
                  "in:") + QLatin1Char('\n') + files.join(QLatin1Char('\n')));
}

void MainWindow::showNotice(const QString &text)
{
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
    // Nobody to ask: one prompt waits for the user's return.
    if (!schedule->reWriteMode() && !absence && sampler->isAway()) {
        schedule->holdForReturn();
        return;
    }
    // Asking found the user back, and the return opened the prompt.
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
    showQuestion();

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
    const bool rewrite = schedule->reWriteMode();
    const std::optional<Absence> asked = rewrite ? std::nullopt : absence;
    // An answer about time away is dated where that time began: reports
    // show it there.
    const QString pressed = logTime(asked ? asked->from : sampler->now());

    // The prompt stays until the log has the answer or holds it for another
    // try; the interface goes on meanwhile.
    saving = true;
    const LogWriter::Saved saved = writer->saveAnswer(text, pressed, rewrite);
    saving = false;
    // Unless another absence came meanwhile.
    if (asked && absence && absence->to == asked->to)
        absence.reset();
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
    // The absence a take-back kept waiting is asked about now.
    if (absence)
        OnTimerKESTO();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    event->ignore();
    if (!isVisible() || saving)
        return;
    // Like a prompt left unanswered: nothing stored, the interval counts
    // again. A take-back closed still leaves its waiting absence to ask about.
    if (!schedule->reWriteMode())
        absence.reset();
    schedule->promptClosed();
    hide();
    if (absence)
        OnTimerKESTO();
}

void MainWindow::keepWaitingAnswers()
{
    writer->finish();
    // After the writer: the last snapshot holds everything the log took.
    computers->finish();
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
    schedule->setActive(menuActive->isChecked());
}

void MainWindow::setQueryMinutes(int minutes)
{
    const bool changed = minutes != schedule->queryMinutes();
    schedule->setQueryMinutes(minutes);
    // A read-only log keeps the choice until exit, silently.
    writer->execute(QStringLiteral("UPDATE OPTIONS SET QueryMinutes=?"), {minutes});
    // Answers from now on stand for at most this long.
    if (changed)
        writer->execute(QStringLiteral("INSERT INTO PromptIntervals (Since, Minutes) VALUES (datetime('now', 'localtime'), ?)"),
                        {minutes});
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
    dialog.setWriter(writer);
    LogInsight insight(db);
    dialog.setDayOpener([&insight, &dialog](const QDate &day) {
        TimelineDialog timeline(&insight, day, &dialog);
        timeline.exec();
    });
    dialog.setDatabase(db);
    dialog.exec();
}

void MainWindow::menuSummary_Click()
{
    LogInsight insight(db);
    SummaryDialog dialog(&insight, this);
    placeOnScreen(dialog);
    dialog.exec();
}

void MainWindow::menuComputers_Click()
{
    const SyncSettings::Values values = computers->values();
    ComputersDialog dialog(values.folder, values.name, values.id, this);
    placeOnScreen(dialog);
    if (dialog.exec() == QDialog::Accepted)
        computers->apply(dialog.folder(), dialog.name());
}

void MainWindow::publishNow()
{
    computers->publishNow();
}

void MainWindow::setSyncFolder(const QStringList &arguments)
{
    computers->setFromCommandLine(arguments);
}

void MainWindow::menuReWrite_Click()
{
    schedule->requestRewrite();
    OnTimerKESTO();
    // An open question about time away waits for the take-back.
    showQuestion();
}

void MainWindow::userReturned(const QDateTime &from, const QDateTime &to)
{
    const bool held = schedule->takeHeld();
    const bool worthAsking = menuAskAway->isChecked() && schedule->isActive()
        && from.msecsTo(to) >= qint64(kAskAfterMinutes) * Sampler::minuteMs();
    if (!worthAsking) {
        // A prompt that came meanwhile comes now.
        if (held)
            OnTimerKESTO();
        return;
    }
    // Away again before answering: one question for all of it.
    if (absence && isVisible())
        absence->to = to;
    else
        absence = Absence{from, to};
    // A regular prompt on screen becomes the return prompt.
    if (isVisible())
        showQuestion();
    else
        OnTimerKESTO();
}

void MainWindow::showQuestion()
{
    if (!absence || schedule->reWriteMode()) {
        ui->label->setText(plainQuestion);
        return;
    }
    const QLocale locale;
    const bool oneDay = absence->from.date() == absence->to.date();
    const QString from = oneDay ? locale.toString(absence->from.time(), QLocale::ShortFormat)
                                : locale.toString(absence->from, QLocale::ShortFormat);
    const QString to = oneDay ? locale.toString(absence->to.time(), QLocale::ShortFormat)
                              : locale.toString(absence->to, QLocale::ShortFormat);
    const qint64 minutes = (absence->from.secsTo(absence->to) + 30) / 60;
    ui->label->setText(tr("Away %1–%2 (%3 min) – Quorvel?").arg(from, to).arg(minutes));
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
