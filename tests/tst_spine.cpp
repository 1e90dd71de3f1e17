// Start-up of the main window: the log file, the stored interval, the tray.
#include "logdatabase.h"
#include "mainwindow.h"
#include "singleinstance.h"
#include "testsupport.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QLayout>
#include <QMenu>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSysInfo>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>

using namespace TestSupport;

namespace {

int unixMode(const QString &path)
{
    struct stat info;
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

struct Started
{
    std::unique_ptr<MainWindow> window;
    ~Started()
    {
        window.reset();
        releaseDefaultConnection();
    }
    QTimer *timer(const char *name) const { return window->findChild<QTimer *>(QLatin1String(name)); }
    QAction *action(const char *name) const { return window->findChild<QAction *>(QLatin1String(name)); }
    QSystemTrayIcon *tray() const { return window->findChild<QSystemTrayIcon *>(); }
};

void start(Started &s)
{
    s.window = std::make_unique<MainWindow>();
}

} // namespace

class TestSpine : public QObject
{
    Q_OBJECT

private slots:
    void firstStartCopiesTemplateOnce();
    void storedInterval_data();
    void storedInterval();
    void emptyOptionsTableGivesThirtyAtEveryStart();
    void unopenableDatabaseReportsOnceAndRunsOn();
    void missingTemplateStillGivesAWorkingLog();
    void existingTablesAreNeverTouched();
    void lockLeftWithThisProcessIdIsStale();
    void newLogIsPrivate();
    void trayMenuAndWindowState();
};

void TestSpine::firstStartCopiesTemplateOnce()
{
    Sandbox box;
    box.copyTemplate();
    const QByteArray original = fileBytes(box.work() + "/template.db");
    QVERIFY(!original.isEmpty());
    {
        Started s;
        start(s);
        QCOMPARE(LogDatabase::databasePath(), QDir::toNativeSeparators(box.logPath()));
    }
    QCOMPARE(fileBytes(box.logPath()), original);

    // A changed template is not copied again over the existing log.
    {
        LogFile t(box.work() + "/template.db");
        QVERIFY(t.exec("UPDATE Options SET QueryMinutes = 90"));
    }
    {
        Started s;
        start(s);
        QCOMPARE(s.timer("timerPrompt")->interval(), 30 * 60000);
    }
    LogFile log(box.logPath());
    QCOMPARE(log.value("SELECT QueryMinutes FROM Options").toInt(), 30);
}

void TestSpine::storedInterval_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("minutes");
    QTest::addColumn<QString>("checked");
    QTest::newRow("15") << "15" << 15 << "menuFreq15min";
    QTest::newRow("30") << "30" << 30 << "menuFreq30min";
    QTest::newRow("45 is none of the entries") << "45" << 45 << "";
    QTest::newRow("60") << "60" << 60 << "menuFreq60min";
    QTest::newRow("90") << "90" << 90 << "menuFreq90min";
    QTest::newRow("120") << "120" << 120 << "menuFreq120min";
    QTest::newRow("NULL") << "NULL" << 30 << "menuFreq30min";
    QTest::newRow("text") << "'often'" << 30 << "menuFreq30min";
}

void TestSpine::storedInterval()
{
    QFETCH(QString, stored);
    QFETCH(int, minutes);
    QFETCH(QString, checked);
    Sandbox box;
    box.copyTemplate();
    {
        LogFile t(box.work() + "/template.db");
        QVERIFY(t.exec("UPDATE Options SET QueryMinutes = " + stored));
    }
    Started s;
    start(s);
    QTimer *prompt = s.timer("timerPrompt");
    QVERIFY(prompt->isActive());
    QCOMPARE(prompt->interval(), minutes * 60000);
    for (const char *name : {"menuFreq15min", "menuFreq30min", "menuFreq60min", "menuFreq90min", "menuFreq120min"})
        QCOMPARE(s.action(name)->isChecked(), checked == QLatin1String(name));
    QVERIFY(s.action("menuActive")->isChecked());
}

void TestSpine::emptyOptionsTableGivesThirtyAtEveryStart()
{
    Sandbox box;
    box.copyTemplate();
    {
        LogFile t(box.work() + "/template.db");
        QVERIFY(t.exec("DELETE FROM Options"));
    }
    {
        Started s;
        start(s);
        QCOMPARE(s.timer("timerPrompt")->interval(), 30 * 60000);
        // A new choice applies now but has no row to be stored in.
        s.action("menuFreq60min")->trigger();
        QCOMPARE(s.timer("timerPrompt")->interval(), 60 * 60000);
    }
    Started again;
    start(again);
    QCOMPARE(again.timer("timerPrompt")->interval(), 30 * 60000);
}

void TestSpine::unopenableDatabaseReportsOnceAndRunsOn()
{
    Sandbox box;
    box.copyTemplate();
    // No file can be created in a home that does not exist, even by root.
    qputenv("HOME", QFile::encodeName(box.home() + "/missing/deeper"));
    MessageBoxCloser closer;
    Started s;
    start(s);
    QCOMPARE(closer.seen.size(), 1);
    QCOMPARE(closer.seen[0].title, QStringLiteral("Error"));
    QVERIFY(closer.seen[0].text.startsWith("Whoops, something went wrong and I can't open the database!\n"));
    QVERIFY(closer.seen[0].text.size() > QString("Whoops, something went wrong and I can't open the database!\n").size());
    // In the middle of the screen, not at the hidden window's corner.
    const QPoint offCentre = closer.seen[0].geometry.center() - QGuiApplication::primaryScreen()->availableGeometry().center();
    QVERIFY2(offCentre.manhattanLength() <= 4, qPrintable(QStringLiteral("%1,%2").arg(offCentre.x()).arg(offCentre.y())));
    QVERIFY(!s.window->isVisible());
    QVERIFY(s.timer("timerPrograms")->isActive());
    QCOMPARE(s.timer("timerPrograms")->interval(), 5000);
    QVERIFY(s.timer("timerPrompt")->isActive());
    QCOMPARE(s.timer("timerPrompt")->interval(), 30 * 60000);
    QVERIFY(s.tray()->isVisible());
    QCOMPARE(s.tray()->contextMenu()->actions().size(), 17);
    QTest::qWait(100);
    QCOMPARE(closer.seen.size(), 1);
}

void TestSpine::missingTemplateStillGivesAWorkingLog()
{
    Sandbox box; // no template in the working directory
    MessageBoxCloser closer;
    {
        Started s;
        start(s);
        QCOMPARE(s.timer("timerPrompt")->interval(), 30 * 60000);
    }
    QVERIFY(closer.seen.isEmpty());
    LogFile log(box.logPath());
    QCOMPARE(log.value("SELECT QueryMinutes FROM Options").toInt(), 30);
    QCOMPARE(log.value("SELECT COUNT(*) FROM Options").toInt(), 1);
    QVERIFY(log.exec("INSERT INTO ApplicationLog (AppFileName, AppTitle, AppDate) VALUES ('/bin/a', 't', "
                     "datetime('now', 'localtime'))"));
    QCOMPARE(log.value("SELECT Duration FROM ApplicationLog").toInt(), 5);
    QVERIFY(log.exec("INSERT INTO ActivityLog (ActText, ActDate) VALUES('x', datetime('now', 'localtime'))"));
}

void TestSpine::existingTablesAreNeverTouched()
{
    Sandbox box;
    {
        // A log that lost one table keeps what it has: nothing is recreated.
        LogFile log(box.logPath());
        QVERIFY(log.exec("CREATE TABLE ActivityLog (ActText TEXT, ActDate TEXT)"));
        QVERIFY(log.exec("INSERT INTO ActivityLog VALUES ('kept', '2026-01-01 10:00:00')"));
    }
    {
        Started s;
        start(s);
    }
    LogFile log(box.logPath());
    QCOMPARE(log.value("SELECT COUNT(*) FROM sqlite_master WHERE name IN ('ApplicationLog', 'Options')").toInt(), 0);
    QCOMPARE(log.value("SELECT ActText FROM ActivityLog").toString(), QStringLiteral("kept"));
}

void TestSpine::newLogIsPrivate()
{
    Sandbox box;
    box.copyTemplate();
    QFile::setPermissions(box.work() + "/template.db", QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                           | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    {
        Started s;
        start(s);
    }
    QCOMPARE(unixMode(box.logPath()), 0600);

    // A log that already exists keeps the mode its owner gave it.
    QVERIFY(::chmod(QFile::encodeName(box.logPath()).constData(), 0644) == 0);
    {
        Started s;
        start(s);
    }
    QCOMPARE(unixMode(box.logPath()), 0644);
}

void TestSpine::trayMenuAndWindowState()
{
    Sandbox box;
    box.copyTemplate();
    Started s;
    start(s);
    MainWindow *w = s.window.get();
    QVERIFY(!w->isVisible());
    QVERIFY(w->windowState() & Qt::WindowFullScreen);
    QVERIFY(w->windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(w->windowTitle(), QStringLiteral("Quorvel?"));
    QCOMPARE(w->objectName(), QStringLiteral("MainWindowClass"));

    QSystemTrayIcon *tray = s.tray();
    QVERIFY(tray);
    QVERIFY(tray->isVisible());
    QCOMPARE(tray->toolTip(), QStringLiteral("Quorvel?"));

    const QList<QAction *> entries = tray->contextMenu()->actions();
    QStringList texts;
    for (QAction *a : entries)
        texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
    QCOMPARE(texts, QStringList({"I take it back!", "-", "Show log...", "Summary...", "Frequency", "Active", "Away after",
                                 "Ask about time away", "Pause recording", "-", "Rules...", "Forget...",
                                 "Other computers...", "-", "About...", "-", "Exit"}));
    QMenu *frequency = entries[4]->menu();
    QVERIFY(frequency);
    QCOMPARE(frequency->styleSheet(), QStringLiteral("background-color: auto;"));
    QStringList choices;
    for (QAction *a : frequency->actions()) {
        choices << a->text();
        QVERIFY(a->isCheckable());
    }
    QCOMPARE(choices, QStringList({"15 minutes", "30 minutes", "1 hour", "1 hour 30 minutes", "2 hours"}));
    QVERIFY(entries[5]->isCheckable() && entries[5]->isChecked());
    // Away after five minutes, and asked about on return, unless the log says otherwise.
    QMenu *away = entries[6]->menu();
    QVERIFY(away);
    QStringList thresholds;
    for (QAction *a : away->actions())
        thresholds << a->text() + (a->isChecked() ? "*" : "");
    QCOMPARE(thresholds, QStringList({"3 minutes", "5 minutes*", "10 minutes", "15 minutes", "Never"}));
    QVERIFY(entries[7]->isCheckable() && entries[7]->isChecked());
    for (int i : {0, 2, 3, 10, 11, 12, 14, 16})
        QVERIFY(!entries[i]->isCheckable());
    // Icons come from the embedded images. Pixmaps keep premultiplied pixels:
    // compared in that form, so that no CPU's rounding on the way back counts.
    QVERIFY(entries[0]->icon().isNull());
    const QList<QPair<int, QString>> icons{{2, ":/img/book"}, {4, ":/img/clock"}, {14, ":/img/16.png"}, {16, ":/img/exit"}};
    for (const auto &[index, path] : icons) {
        const QImage expected = QImage(path).convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QVERIFY2(!expected.isNull(), qPrintable(path));
        QCOMPARE(entries[index]->icon().pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied),
                 expected);
    }
    QCOMPARE(tray->icon().pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied),
             QImage(":/img/16.png").convertToFormat(QImage::Format_ARGB32_Premultiplied));

    QCOMPARE(s.timer("timerPrograms")->interval(), 5000);
    QVERIFY(s.timer("timerPrograms")->isActive());
    QCOMPARE(s.timer("timerPrompt")->interval(), 30 * 60000);
    QVERIFY(s.timer("timerPrompt")->isActive());
    QVERIFY(w->layout()->contentsMargins().isNull());
    QCOMPARE(w->layout()->spacing(), 0);
}

void TestSpine::lockLeftWithThisProcessIdIsStale()
{
    // What a killed kesto leaves when the next one is given its process id
    // (Windows after a restart): the holder looks alive, yet it is this process.
    QFile file(SingleInstance::lockPath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QString("%1\n%2\n%3\n%4\n")
                   .arg(QCoreApplication::applicationPid())
                   .arg(QCoreApplication::applicationFilePath(), QSysInfo::machineHostName(),
                        QString::fromLatin1(QSysInfo::machineUniqueId()))
                   .toUtf8());
    file.close();
    {
        SingleInstance instance;
        QVERIFY(instance.acquire());
        // Now really held: another instance stays out.
        SingleInstance second;
        QVERIFY(!second.acquire());
    }
    QVERIFY(!QFile::exists(SingleInstance::lockPath()));
}

QTEST_MAIN(TestSpine)
#include "tst_spine.moc"
