#include "reachability.h"

#include "desktopnotice.h"
#include "recordcontrol.h"
#include "singleinstance.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QMainWindow>
#include <QSystemTrayIcon>

#include <cstdio>
#include <cstdlib>

const QList<Reachability::Command> &Reachability::commands()
{
    static const QList<Command> table = {
        {"show-log", "menuShowLog_Click", QT_TRANSLATE_NOOP("Reachability", "Show the activity log.")},
        {"ask", "OnTimerKESTO", QT_TRANSLATE_NOOP("Reachability", "Ask what you are doing, now.")},
        {"take-back", "menuReWrite_Click", QT_TRANSLATE_NOOP("Reachability", "Take the last answer back.")},
        {"about", "menuAbout_Click", QT_TRANSLATE_NOOP("Reachability", "Show the About dialog.")},
        {"rules", "menuRules_Click", QT_TRANSLATE_NOOP("Reachability", "Edit the rules about what is recorded.")},
        {"pause", "commandPause_Request",
         QT_TRANSLATE_NOOP("Reachability", "Pause recording (and the prompts) for MINUTES minutes."),
         QT_TRANSLATE_NOOP("Reachability", "MINUTES"), RecordControl::MaxPauseMinutes},
        {"resume", "menuResume_Click", QT_TRANSLATE_NOOP("Reachability", "Resume recording after a pause.")},
        {"quit", "menuExit_Click", QT_TRANSLATE_NOOP("Reachability", "End the running kesto.")},
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
    parser.process(app);
    QString request;
    for (const Reachability::Command &command : Reachability::commands()) {
        if (!parser.isSet(QLatin1String(command.name)))
            continue;
        if (!request.isEmpty()) {
            std::fputs(qPrintable(tr("Give one option at a time.") + '\n'), stderr);
            std::exit(2);
        }
        request = QLatin1String(command.name);
        if (command.valueName) {
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
            request += QLatin1Char(' ') + QString::number(optionValue(command, value));
        }
    }
    return request;
}

int Reachability::sendFromCommandLine(const QString &request)
{
    switch (SingleInstance::send(request)) {
    case SingleInstance::Reply::Done:
        return 0;
    case SingleInstance::Reply::NotRunning:
        // Nothing to end is no failure of --quit.
        if (request == QLatin1String("quit"))
            return 0;
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
    const QString word = request.section(QLatin1Char(' '), 0, 0);
    const QString value = request.section(QLatin1Char(' '), 1);
    for (const Command &command : commands()) {
        if (word != QLatin1String(command.name))
            continue;
        if (!command.valueName) {
            if (value.isEmpty())
                QMetaObject::invokeMethod(window, command.slot);
        } else if (const int number = optionValue(command, value)) {
            QMetaObject::invokeMethod(window, command.slot, Q_ARG(QString, QString::number(number)));
        }
        return;
    }
}
