#include "reachability.h"

#include "desktopnotice.h"
#include "recordcontrol.h"
#include "singleinstance.h"
#include "synccommand.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QMainWindow>
#include <QUrl>
#include <QSystemTrayIcon>

#include <cstdio>
#include <cstdlib>

const QList<Reachability::Command> &Reachability::commands()
{
    static const QList<Command> table = {
        {"show-log", "menuShowLog_Click", QT_TRANSLATE_NOOP("Reachability", "Show the activity log.")},
        {"summary", "menuSummary_Click", QT_TRANSLATE_NOOP("Reachability", "Show the summary: where the time went.")},
        {"ask", "OnTimerKESTO", QT_TRANSLATE_NOOP("Reachability", "Ask what you are doing, now.")},
        {"take-back", "menuReWrite_Click", QT_TRANSLATE_NOOP("Reachability", "Take the last answer back.")},
        {"about", "menuAbout_Click", QT_TRANSLATE_NOOP("Reachability", "Show the About dialog.")},
        {"rules", "menuRules_Click", QT_TRANSLATE_NOOP("Reachability", "Edit the rules about what is recorded.")},
        {"pause", "commandPause_Request",
         QT_TRANSLATE_NOOP("Reachability", "Pause recording (and the prompts) for MINUTES minutes."),
         QT_TRANSLATE_NOOP("Reachability", "MINUTES"), RecordControl::MaxPauseMinutes},
        {"resume", "menuResume_Click", QT_TRANSLATE_NOOP("Reachability", "Resume recording after a pause.")},
        {"quit", "menuExit_Click", QT_TRANSLATE_NOOP("Reachability", "End the running kesto.")},
        {"publish", "publishNow",
         QT_TRANSLATE_NOOP("Reachability", "Publish this computer's log into the sync folder now.")},
        {"sync-folder", "setSyncFolder",
         QT_TRANSLATE_NOOP("Reachability", "Publish this computer's log into a folder that a sync engine shares "
                                           "with your other computers, and read theirs from it (\"\" stops it)."),
         "PATH"},
    };
    return table;
}

namespace {

// The number an option's value stands for, or 0 when it is none it takes.
int optionValue(const Reachability::Command &command, const QString &text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok && value >= 1 && value <= command.maxValue ? value : 0;
}

} // namespace

QString Reachability::requestFromCommandLine(QCoreApplication &app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        tr("Personal activity logger. Without options it starts in the system tray; the options reach the "
           "kesto that runs."));
    parser.addHelpOption();
    parser.addVersionOption();
    for (const Reachability::Command &command : Reachability::commands()) {
        const QString help = QCoreApplication::translate("Reachability", command.help);
        if (command.valueName)
            parser.addOption({QLatin1String(command.name), help,
                              QCoreApplication::translate("Reachability", command.valueName)});
        else
            parser.addOption({QLatin1String(command.name), help});
    }
    const QString computerName = QStringLiteral("computer-name");
    parser.addOption({computerName, tr("With --sync-folder: the name this computer publishes under."),
                      QStringLiteral("NAME")});
    parser.process(app);
    QStringList request;
    for (const Reachability::Command &command : Reachability::commands()) {
        if (!parser.isSet(QLatin1String(command.name)))
            continue;
        if (!request.isEmpty()) {
            std::fputs(qPrintable(tr("Give one option at a time.") + '\n'), stderr);
            std::exit(2);
        }
        request << QLatin1String(command.name);
        if (command.valueName && command.maxValue) {
            const QString value = parser.value(QLatin1String(command.name));
            if (optionValue(command, value) == 0) {
                std::fputs(qPrintable(tr("--%1 takes a whole number from 1 to %2, not \"%3\".")
                                          .arg(QLatin1String(command.name))
                                          .arg(command.maxValue)
                                          .arg(value)
                                      + '\n'),
                           stderr);
                std::exit(2);
            }
            request << QString::number(optionValue(command, value));
        } else if (command.valueName) {
            QString value = parser.value(QLatin1String(command.name));
            // The running kesto has a working directory of its own.
            if (!value.isEmpty())
                value = QFileInfo(value).absoluteFilePath();
            request << value;
        }
    }
    if (parser.isSet(computerName)) {
        if (request.value(0) != QLatin1String("sync-folder")) {
            std::fputs(qPrintable(tr("--computer-name goes with --sync-folder.") + '\n'), stderr);
            std::exit(2);
        }
        request << parser.value(computerName);
    }
    return joinRequest(request);
}

QStringList Reachability::splitRequest(const QString &request)
{
    const QStringList words = request.split(QLatin1Char(' '));
    QStringList parts{words.value(0)};
    for (const QString &word : words.mid(1)) {
        if (!word.startsWith(QLatin1Char('=')))
            return {};
        parts << QUrl::fromPercentEncoding(word.mid(1).toLatin1());
    }
    return parts;
}

QString Reachability::joinRequest(const QStringList &parts)
{
    QString request = parts.value(0);
    for (const QString &argument : parts.mid(1))
        request += QStringLiteral(" =") + QString::fromLatin1(QUrl::toPercentEncoding(argument));
    return request;
}

int Reachability::sendFromCommandLine(const QString &request)
{
    const QStringList parts = splitRequest(request);
    const QString word = parts.value(0);
    const bool syncing = word == QLatin1String("sync-folder") || word == QLatin1String("publish");
    if (word == QLatin1String("sync-folder")) {
        // Refused here, where the user reads why.
        const QString problem = SyncCommand::check(parts.mid(1));
        if (!problem.isEmpty()) {
            std::fputs(qPrintable(problem + '\n'), stderr);
            return 1;
        }
    }
    switch (SingleInstance::send(request)) {
    case SingleInstance::Reply::Done:
        return 0;
    case SingleInstance::Reply::NotRunning:
        // Nothing to end is no failure of --quit.
        if (request == QLatin1String("quit"))
            return 0;
        // Set-up scripts run before kesto does: the log takes these itself.
        if (syncing)
            return SyncCommand::runWithoutKesto(word, parts.mid(1));
        std::fputs(qPrintable(tr("kesto is not running.") + '\n'), stderr);
        return 1;
    case SingleInstance::Reply::NoAnswer:
        break;
    }
    std::fputs(qPrintable(tr("The running kesto did not answer.") + '\n'), stderr);
    return 1;
}

Reachability::Reachability(QMainWindow *window, SingleInstance *instance, QObject *parent)
    : QObject(parent)
    , window(window)
{
    connect(instance, &SingleInstance::requested, this, &Reachability::carryOut);
    // Panels often start after the programs of the session: give the tray
    // some time to appear before telling the user there is none.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        connect(&trayPoll, &QTimer::timeout, this, &Reachability::checkTray);
        trayPoll.start(1000);
    }
}

void Reachability::checkTray()
{
    // The icon stays visible all along, so a tray that appears, now or
    // later, shows it at once.
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        trayPoll.stop();
        return;
    }
    if (++trayChecks < trayWaitSeconds)
        return;
    trayPoll.stop();
    DesktopNotice::show(QStringLiteral("kesto"),
                        tr("kesto is running, but this desktop shows no tray icon for it.") + QLatin1Char('\n')
                            + howToReach());
}

QString Reachability::howToReach()
{
    QString text = tr("Reach it with these commands, for example from keyboard shortcuts:");
    for (const Command &command : commands()) {
        QString option = QLatin1String(command.name);
        if (command.valueName)
            option += QLatin1Char(' ') + QCoreApplication::translate("Reachability", command.valueName);
        text += QStringLiteral("\nkesto --%1  %2").arg(option, QCoreApplication::translate("Reachability", command.help));
    }
    return text;
}

void Reachability::carryOut(const QString &request)
{
    if (!window)
        return;
    if (request == alreadyRunningRequest()) {
        const QString text = tr("kesto is already running.");
        auto *icon = window->findChild<QSystemTrayIcon *>();
        if (icon && icon->isVisible() && QSystemTrayIcon::isSystemTrayAvailable())
            icon->showMessage(QStringLiteral("kesto"), text);
        else
            DesktopNotice::show(QStringLiteral("kesto"), text + QLatin1Char('\n') + howToReach());
        return;
    }
    const QStringList parts = splitRequest(request);
    for (const Command &command : commands()) {
        if (parts.value(0) != QLatin1String(command.name))
            continue;
        if (!command.valueName) {
            if (parts.size() == 1)
                QMetaObject::invokeMethod(window, command.slot);
        } else if (!command.maxValue) {
            QMetaObject::invokeMethod(window, command.slot, Q_ARG(QStringList, parts.mid(1)));
        } else if (const int number = parts.size() == 2 ? optionValue(command, parts.at(1)) : 0) {
            QMetaObject::invokeMethod(window, command.slot, Q_ARG(QString, QString::number(number)));
        }
        return;
    }
}
