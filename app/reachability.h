#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

class QCoreApplication;
class QMainWindow;
class SingleInstance;

// Keeps kesto within reach where the desktop shows no tray icon: tells the
// user once how to reach it, and carries out the requests that later starts
// of the program (kesto --show-log, --ask...) send to the running one.
class Reachability : public QObject
{
    Q_OBJECT

public:
    struct Command
    {
        const char *name;  // the option and the request word
        const char *slot;  // the main window's slot that carries it out
        const char *help;  // translated in the context "Reachability"
        // The option's argument, if it takes one, named in --help (translated).
        // With a maxValue it is a whole number from 1 to maxValue, and the
        // slot takes it as a QString; without, the slot takes the request's
        // arguments as a QStringList.
        const char *valueName = nullptr;
        int maxValue = 0;
    };
    static const QList<Command> &commands();
    // The request a plain second start sends.
    static QString alreadyRunningRequest() { return QStringLiteral("running"); }

    // The request of the one control option given (kesto --show-log,
    // kesto --pause 15...), or an empty string; --help, --version and wrong
    // options or values end the process.
    static QString requestFromCommandLine(QCoreApplication &app);
    // Hands the request to the running kesto; the process's exit code.
    static int sendFromCommandLine(const QString &request);
    // A request's word and its arguments. In the request each argument
    // follows a blank, percent-encoded after a '=' (so that empty ones and
    // blanks in paths survive).
    static QStringList splitRequest(const QString &request);
    static QString joinRequest(const QStringList &parts);

    Reachability(QMainWindow *window, SingleInstance *instance, QObject *parent = nullptr);

    // How long start-up waits for a tray to appear before it tells the user.
    static constexpr int trayWaitSeconds = 30;

private:
    void carryOut(const QString &request);
    void checkTray();
    static QString howToReach();

    QPointer<QMainWindow> window;
    QTimer trayPoll;
    int trayChecks = 0;
};
