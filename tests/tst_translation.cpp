// Which translation file start-up picks, and that the tray menu uses it.
#include "mainwindow.h"
#include "testsupport.h"
#include "translation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTranslator>

using namespace TestSupport;

class TestTranslation : public QObject
{
    Q_OBJECT

private slots:
    void fileName();
    void trayMenu_data();
    void trayMenu();
};

void TestTranslation::fileName()
{
    QCOMPARE(Translation::fileNameFor("it_IT"), QStringLiteral("kesto_it"));
    QCOMPARE(Translation::fileNameFor("de"), QStringLiteral("kesto_de"));
    // A bare system's locale name of one character is used whole.
    QCOMPARE(Translation::fileNameFor("C"), QStringLiteral("kesto_C"));
}

void TestTranslation::trayMenu_data()
{
    QTest::addColumn<QString>("placeIn");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("translated");
    const QString own = Translation::fileNameFor(QLocale::system().name()) + ".qm";
    QTest::newRow("no file") << "" << "" << false;
    QTest::newRow("kesto.qm for every locale") << "work" << "kesto.qm" << true;
    QTest::newRow("the locale's own file") << "work" << own << true;
    QTest::newRow("other language") << "work" << "kesto_zz.qm" << false;
    QTest::newRow("beside the executable, not in the working directory") << "home" << own << false;
}

void TestTranslation::trayMenu()
{
    QFETCH(QString, placeIn);
    QFETCH(QString, name);
    QFETCH(bool, translated);
    Sandbox box;
    box.copyTemplate();
    if (!placeIn.isEmpty()) {
        const QString dir = placeIn == "work" ? box.work() : box.home();
        QVERIFY(QFile::copy(QStringLiteral(KESTO_TEST_QM), dir + "/" + name));
    }
    QTranslator translator;
    QCOMPARE(Translation::load(translator), translated);
    QCoreApplication::installTranslator(&translator);
    QStringList texts;
    {
        MainWindow window;
        const auto actions = window.findChild<QSystemTrayIcon *>()->contextMenu()->actions();
        for (QAction *a : actions)
            texts << a->text();
    }
    QCoreApplication::removeTranslator(&translator);
    releaseDefaultConnection();
    QCOMPARE(texts.value(0), translated ? QStringLiteral("Ci ripenso!") : QStringLiteral("I take it back!"));
    QCOMPARE(texts.value(2), translated ? QStringLiteral("Mostra registro...") : QStringLiteral("Show log..."));
    QCOMPARE(texts.value(texts.size() - 1), translated ? QStringLiteral("Esci") : QStringLiteral("Exit"));
    // Untranslated entries keep their English text.
    QCOMPARE(texts.value(texts.size() - 3), QStringLiteral("About..."));
}

QTEST_MAIN(TestTranslation)
#include "tst_translation.moc"
