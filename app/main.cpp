#include "mainwindow.h"
#include "singleinstance.h"
#include "translation.h"

#include <QApplication>
#include <QTranslator>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    SingleInstance instance;
    if (!instance.acquire())
        return 0;
    QTranslator translator;
    // No translation file is not an error: the English texts show.
    Translation::load(translator);
    QCoreApplication::installTranslator(&translator);
    MainWindow window;
    QApplication::setActiveWindow(&window);
    return app.exec();
}
