#include "mainwindow.h"
#include "reachability.h"
#include "singleinstance.h"
#include "translation.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

// Options that only talk to the running kesto, or print and exit, need no
// desktop: they run without connecting to the display.
bool needsNoDesktop(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--", 2) == 0 && std::strcmp(argv[i], "--") != 0)
            return true;
        if (!std::strcmp(argv[i], "-h") || !std::strcmp(argv[i], "-v") || !std::strcmp(argv[i], "-?"))
            return true;
    }
    return false;
}

// The request of the one control option given, or an empty string.
QString parse(QCoreApplication &app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QCoreApplication::translate("Reachability", "Personal activity logger. Without options it starts in the "
                                                    "system tray; the options reach the kesto that runs."));
    parser.addHelpOption();
    parser.addVersionOption();
    for (const Reachability::Command &command : Reachability::commands())
        parser.addOption({QLatin1String(command.name), QCoreApplication::translate("Reachability", command.help)});
    parser.process(app);
    QString request;
    for (const Reachability::Command &command : Reachability::commands()) {
        if (!parser.isSet(QLatin1String(command.name)))
            continue;
        if (!request.isEmpty()) {
            std::fputs(qPrintable(QCoreApplication::translate("Reachability", "Give one option at a time.") + '\n'),
                       stderr);
            std::exit(2);
        }
        request = QLatin1String(command.name);
    }
    return request;
}

// kesto --show-log and the others: hand the request to the running kesto.
int sendRequest(const QString &request)
{
    switch (SingleInstance::send(request)) {
    case SingleInstance::Reply::Done:
        return 0;
    case SingleInstance::Reply::NotRunning:
        // Nothing to end is no failure of --quit.
        if (request == QLatin1String("quit"))
            return 0;
        std::fputs(qPrintable(QCoreApplication::translate("Reachability", "kesto is not running.") + '\n'), stderr);
        return 1;
    case SingleInstance::Reply::NoAnswer:
        break;
    }
    std::fputs(qPrintable(QCoreApplication::translate("Reachability", "The running kesto did not answer.") + '\n'),
               stderr);
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    std::unique_ptr<QCoreApplication> app;
    if (needsNoDesktop(argc, argv))
        app = std::make_unique<QCoreApplication>(argc, argv);
    else
        app = std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(KESTO_VERSION));
    QTranslator translator;
    // No translation file is not an error: the English texts show.
    Translation::load(translator);
    QCoreApplication::installTranslator(&translator);

    const QString request = parse(*app);
    if (!request.isEmpty())
        return sendRequest(request);

    SingleInstance instance;
    if (!instance.acquire()) {
        // Starting kesto again is most likely a search for the running one.
        SingleInstance::send(Reachability::alreadyRunningRequest());
        return 0;
    }
    MainWindow window;
    QApplication::setActiveWindow(&window);
    Reachability reachability(&window, &instance);
    instance.listen();
    return app->exec();
}
