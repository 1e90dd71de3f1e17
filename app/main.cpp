#include "freememory.h"
#include "mainwindow.h"
#include "quitsignals.h"
#include "reachability.h"
#include "singleinstance.h"
#include "translation.h"

#include <QApplication>
#include <QTranslator>

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

} // namespace

int main(int argc, char *argv[])
{
    FreeMemory::setUp();
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

    const QString request = Reachability::requestFromCommandLine(*app);
    if (!request.isEmpty())
        return Reachability::sendFromCommandLine(request);

    SingleInstance instance;
    if (!instance.acquire()) {
        // Starting kesto again is most likely a search for the running one.
        SingleInstance::send(Reachability::alreadyRunningRequest());
        return 0;
    }
    QuitSignals::install();
    MainWindow window;
    QApplication::setActiveWindow(&window);
    Reachability reachability(&window, &instance);
    instance.listen();
    return app->exec();
}
