#include "recordcontrol.h"

#include "desktopnotice.h"
#include "forgetdialog.h"
#include "logdatabase.h"
#include "logwriter.h"
#include "promptschedule.h"
#include "reportview.h"
#include "rulesdialog.h"
#include "rulestore.h"
#include "sampler.h"

#include <QAction>
#include <QGuiApplication>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

namespace {

const QString kUntilResumed = QStringLiteral("until-resumed");
const QString kStampFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

// The icon, grey, with a pause sign: kesto is there but keeps nothing.
QIcon pausedLook(const QIcon &icon)
{
    QIcon paused;
    for (const int size : {16, 22, 32, 48}) {
        QImage image = icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < image.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const int grey = qGray(line[x]) / 2 + 64;
                line[x] = qRgba(grey, grey, grey, qAlpha(line[x]));
            }
        }
        QPainter painter(&image);
        const int bar = qMax(2, image.width() / 6);
        const int height = image.height() / 2;
        const int top = image.height() - height;
        const int left = image.width() - 3 * bar - 1;
        painter.fillRect(left - 1, top - 1, 3 * bar + 2, height + 1, QColor(255, 255, 255, 220));
        painter.fillRect(left, top, bar, height - 1, QColor(200, 30, 30));
        painter.fillRect(left + 2 * bar, top, bar, height - 1, QColor(200, 30, 30));
        painter.end();
        paused.addPixmap(QPixmap::fromImage(image));
    }
    return paused;
}

// Runs a dialog or box in the middle of the screen: over the hidden main
// window it would hang off the screen's corner.
int execCentred(QDialog &dialog)
{
    QWidget *parent = dialog.parentWidget();
    if (!parent || !parent->isVisible()) {
        QTimer::singleShot(0, &dialog, [&dialog] {
            QScreen *screen = dialog.screen() ? dialog.screen() : QGuiApplication::primaryScreen();
            if (!screen)
                return;
            QRect frame(QPoint(), dialog.size());
            frame.moveCenter(screen->availableGeometry().center());
            dialog.move(frame.topLeft());
        });
    }
    return dialog.exec();
}

} // namespace

RecordControl::RecordControl(const QSqlDatabase &db, LogWriter *writer, Sampler *sampler, PromptSchedule *schedule,
                             QWidget *window)
    : QObject(window)
    , db(db)
    , writer(writer)
    , sampler(sampler)
    , schedule(schedule)
    , window(window)
{
    setObjectName(QStringLiteral("recordControl"));
}

void RecordControl::start(QSystemTrayIcon *trayIcon)
{
    tray = trayIcon;
    if (tray)
        normalIcon = tray->icon();
    const QString stored = LogDatabase::setting(db, QLatin1String(PauseSetting), QString()).toString();
    if (stored == kUntilResumed) {
        pauseUntil(QDateTime());
    } else if (!stored.isEmpty()) {
        const QDateTime end = QDateTime::fromString(stored, kStampFormat);
        if (end.isValid() && end > now())
            pauseUntil(end);
        else
            storePause(); // ended while kesto was not running
    }
    const RuleStore::Loaded loaded = RuleStore::load(db);
    setRules(loaded.usable());
    const QStringList skipped = loaded.skipped();
    if (!skipped.isEmpty())
        tell(tr("These rules in the log cannot be used and are left out until you correct them (Rules...):")
             + QLatin1Char('\n') + skipped.join(QLatin1Char('\n')));
}

void RecordControl::setRules(const QList<Rule> &rules)
{
    current = rules;
    sampler->setRules(RuleSet(rules));
}

void RecordControl::tell(const QString &text)
{
    told.append(text);
    if (tray && tray->isVisible() && QSystemTrayIcon::isSystemTrayAvailable())
        tray->showMessage(tr("Quorvel?"), text, QSystemTrayIcon::Warning);
    else
        DesktopNotice::show(QStringLiteral("kesto"), text);
}

QMenu *RecordControl::pauseMenu()
{
    if (pausing)
        return pausing;
    pausing = new QMenu(tr("Pause recording"), window);
    pausing->setObjectName(QStringLiteral("menuPause"));
    pausing->setStyleSheet(QStringLiteral("background-color: auto;"));
    pausing->addAction(tr("15 minutes"), this, [this] { pauseFor(15); })->setObjectName(QStringLiteral("menuPause15min"));
    pausing->addAction(tr("1 hour"), this, [this] { pauseFor(60); })->setObjectName(QStringLiteral("menuPause60min"));
    pausing->addAction(tr("Until tomorrow"), this, [this] {
        pauseUntil(QDateTime(now().date().addDays(1), QTime(0, 0)));
    })->setObjectName(QStringLiteral("menuPauseTomorrow"));
    pausing->addAction(tr("Until I resume"), this, [this] { pauseUntil(QDateTime()); })
        ->setObjectName(QStringLiteral("menuPauseUntilResumed"));
    pausing->addSeparator();
    resuming = pausing->addAction(tr("Resume recording"), this, &RecordControl::resume);
    resuming->setObjectName(QStringLiteral("menuResume"));
    resuming->setEnabled(paused);
    return pausing;
}

QDateTime RecordControl::now() const
{
    return sampler->now();
}

void RecordControl::pauseFor(int minutes)
{
    pauseUntil(now().addSecs(qint64(qBound(1, minutes, MaxPauseMinutes)) * 60));
}

void RecordControl::pauseUntil(const QDateTime &end)
{
    paused = true;
    // Whole seconds, as the log keeps it; never a moment early.
    const int msec = end.isValid() ? end.time().msec() : 0;
    until = msec ? end.addMSecs(1000 - msec) : end;
    sampler->setPaused(true);
    schedule->setPaused(true);
    storePause();
    showPause();
}

void RecordControl::resume()
{
    if (!paused)
        return;
    paused = false;
    until = QDateTime();
    sampler->setPaused(false);
    schedule->setPaused(false);
    storePause();
    showPause();
}

void RecordControl::tick()
{
    if (paused && until.isValid() && now() >= until)
        resume();
}

void RecordControl::storePause()
{
    const QString value = !paused ? QString() : until.isValid() ? until.toString(kStampFormat) : kUntilResumed;
    // A log that takes no writes just now loses only the pause's surviving a restart.
    writer->execute(LogDatabase::storeSettingSql(), {QString::fromLatin1(PauseSetting), value});
}

void RecordControl::showPause()
{
    if (resuming)
        resuming->setEnabled(paused);
    if (!tray)
        return;
    if (!paused) {
        tray->setIcon(normalIcon);
        tray->setToolTip(tr("Quorvel?"));
        return;
    }
    tray->setIcon(pausedLook(normalIcon));
    QString when;
    if (!until.isValid()) {
        when = tr("Recording paused until you resume it");
    } else {
        const QLocale locale;
        when = tr("Recording paused until %1")
                   .arg(until.date() == now().date() ? locale.toString(until.time(), QLocale::ShortFormat)
                                                     : locale.toString(until, QLocale::ShortFormat));
    }
    tray->setToolTip(tr("Quorvel?") + QLatin1Char('\n') + when);
}

void RecordControl::editRules()
{
    // As the log has them, with the ones it cannot use, to be put right.
    const RuleStore::Loaded stored = RuleStore::load(db);
    RulesDialog dialog(stored.rules, stored.problems, window);
    dialog.setDatabase(db, now());
    if (execCentred(dialog) != QDialog::Accepted)
        return;
    const QList<Rule> rules = dialog.rules();
    setRules(rules);
    if (!writer->transact(RuleStore::replaceStatements(rules))) {
        QMessageBox box(QMessageBox::Warning, tr("Rules"),
                        tr("The rules could not be stored in the log; another program may hold it. They apply "
                           "until kesto ends."),
                        QMessageBox::Ok, window);
        execCentred(box);
        return;
    }
    emit rulesChanged();
}

void RecordControl::forgetFromTray()
{
    ForgetDialog dialog(now(), window);
    if (execCentred(dialog) == QDialog::Accepted)
        forget(dialog.forgetting(now()), window);
}

bool RecordControl::forget(Forgetting what, QWidget *parent)
{
    // Nothing later than the tick under way is recorded yet; a span that
    // reaches further ends there, so that a forgetting the log makes wait
    // cannot take what is recorded after it.
    const QDateTime booked = now().addSecs(Sampler::TickSeconds);
    if (what.to > booked)
        what.to = booked;
    const QLocale locale;
    const QString from = locale.toString(what.from, QLocale::ShortFormat);
    const QString to = locale.toString(what.to, QLocale::ShortFormat);
    ForgetPlan plan;
    plan.make(db, what);
    // And what waits for the log, from a time another program held it.
    const LogWriter::Forgotten waiting = writer->waitingIn(what);
    if (plan.isEmpty() && waiting.rows == 0 && waiting.answers == 0) {
        QMessageBox box(QMessageBox::Information, tr("Forget"),
                        tr("The log holds nothing from %1 to %2.").arg(from, to), QMessageBox::Ok, parent);
        execCentred(box);
        return false;
    }
    const QString question = what.isSpan() ? tr("Forget everything recorded from %1 to %2?").arg(from, to)
                                            : tr("Forget these rows of the log?");
    QMessageBox box(QMessageBox::Question, tr("Forget"),
                    question + QStringLiteral("\n\n")
                        + tr("Program rows: %1 (%2 of program time)\nAnswers: %3")
                              .arg(plan.programRows() + waiting.rows)
                              .arg(ReportView::formatDuration(plan.seconds() + waiting.seconds))
                              .arg(plan.answers() + waiting.answers)
                        + QStringLiteral("\n\n") + tr("They are deleted from the log for good."),
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    box.button(QMessageBox::Yes)->setText(tr("Forget"));
    if (execCentred(box) != QMessageBox::Yes)
        return false;
    // The row under way may be among what goes: the next sample starts anew.
    sampler->endStretch();
    const LogWriter::Forgotten forgotten = writer->forget(what);
    if (!forgotten.answered)
        return false;
    if (!forgotten.done) {
        QMessageBox refused(QMessageBox::Warning, tr("Forget"),
                            tr("Another program holds the log, so these rows could not be deleted yet:") + QLatin1Char('\n')
                                + forgotten.error + QStringLiteral("\n\n")
                                + tr("kesto deletes them as soon as the log takes writes again, while it runs."),
                            QMessageBox::Ok, parent);
        execCentred(refused);
    }
    if (forgotten.done)
        emit forgot();
    return forgotten.done;
}
