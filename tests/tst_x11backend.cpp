// The X11 foreground-window backend against real windows, and its decoders.
#include "desktoptools.h"
#include "foregroundwindow.h"
#include "mainwindow.h"
#include "systembackend.h"
#include "testsupport.h"
#include "x11stage.h"
#include "x11titles.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <memory>

#include <sys/wait.h>
#include <unistd.h>

using namespace DesktopTools;

class TestX11Backend : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void windowsInFront_data();
    void windowsInFront();
    void screenSaverAddsNoTime();
    void idleTime();
    void decoders();
    void executablePaths();

private:
    bool withWindowManager = true;
    std::unique_ptr<ForegroundWindowSource> backend;
};

void TestX11Backend::initTestCase()
{
    withWindowManager = qEnvironmentVariable("KESTO_NO_WM") != QLatin1String("1");
    backend.reset(createSystemForegroundWindowSource());
    QVERIFY(backend->isAvailable());
}

void TestX11Backend::windowsInFront_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("title");
    QTest::newRow("Qt window, accents CJK emoji") << "qt" << QString::fromUtf8("Café crème — 東京 😀");
    QTest::newRow("xterm, ASCII") << "xterm" << "plain ascii title";
    QTest::newRow("xterm, compound text") << "xterm" << QString::fromUtf8("Grüße aus 東京");
}

void TestX11Backend::windowsInFront()
{
    QFETCH(QString, kind);
    QFETCH(QString, title);
    std::unique_ptr<QWidget> widget;
    std::unique_ptr<Child> xterm;
    QString expectedPath;
    if (kind == "qt") {
        widget = std::make_unique<QWidget>();
        widget->setWindowTitle(title);
        widget->resize(300, 200);
        widget->show();
        QVERIFY(QTest::qWaitForWindowExposed(widget.get()));
        expectedPath = QFileInfo(QString::fromLocal8Bit(qgetenv("KESTO_SELF"))).canonicalFilePath();
        if (expectedPath.isEmpty())
            expectedPath = QCoreApplication::applicationFilePath();
    } else {
        xterm = std::make_unique<Child>("xterm", QStringList{"-T", title, "-e", "sleep", "120"});
        expectedPath = "/usr/bin/xterm";
    }
    // Our own window is known by id; xdotool's name search reads WM_NAME,
    // which Qt fills for UTF-8 locales only.
    const QString id = widget ? QString::number(widget->winId()) : waitForWindow(title);
    QVERIFY2(!id.isEmpty(), "window did not appear");
    QVERIFY(bringToFront(id, withWindowManager));
    QCoreApplication::processEvents();

    const std::optional<ForegroundSample> sample = backend->sample();
    QVERIFY(sample);
    QCOMPARE(sample->title, title);
    QCOMPARE(sample->path, expectedPath);
}

void TestX11Backend::screenSaverAddsNoTime()
{
    TestSupport::Sandbox box;
    box.copyTemplate();
    Child xterm("xterm", {"-T", "in front of the screen saver", "-e", "sleep", "120"});
    const QString id = waitForWindow("in front of the screen saver");
    QVERIFY(!id.isEmpty());
    QVERIFY(bringToFront(id, withWindowManager));
    // Xvfb turns the saver off again when the client that forced it leaves,
    // so the test forces it over a connection of its own rather than xset.
    X11Stage server;
    {
        MainWindow window;
        const auto ticks = [&window](int n) {
            for (int i = 0; i < n; ++i)
                QMetaObject::invokeMethod(&window, "OnTimerPrograms");
        };
        TestSupport::LogFile log(box.logPath());
        const auto duration = [&log] { return log.value("SELECT SUM(Duration) FROM ApplicationLog").toInt(); };
        ticks(2);
        QCOMPARE(duration(), 10);

        server.forceScreenSaver(true);
        QVERIFY(!backend->sample());
        ticks(3);
        QCOMPARE(duration(), 10);

        server.forceScreenSaver(false);
        QVERIFY(backend->sample());
        ticks(1);
        QCOMPARE(duration(), 15);
        // The saver ended the stretch: the time after it is a row of its own.
        QCOMPARE(log.value("SELECT COUNT(*) FROM ApplicationLog").toInt(), 2);
    }
    TestSupport::releaseDefaultConnection();
}

void TestX11Backend::idleTime()
{
    // The server's own count: it grows without input, and a key, or the
    // screen saver reset a video player sends to keep the screen on, starts
    // it again.
    X11Stage server;
    run("xdotool", {"key", "shift"});
    QCOMPARE(backend->idleSeconds(60), std::optional<qint64>(0));
    QTest::qWait(2100);
    std::optional<qint64> idle = backend->idleSeconds(60);
    QVERIFY(idle && *idle >= 2 && *idle <= 3);
    run("xdotool", {"key", "shift"});
    QCOMPARE(backend->idleSeconds(60), std::optional<qint64>(0));
    QTest::qWait(1100);
    QCOMPARE(backend->idleSeconds(60), std::optional<qint64>(1));
    server.forceScreenSaver(false);
    QCOMPARE(backend->idleSeconds(60), std::optional<qint64>(0));
}

void TestX11Backend::decoders()
{
    using X11Titles::Encoding;
    QCOMPARE(X11Titles::decode("caf\xe9", Encoding::Latin1), QString::fromUtf8("café"));
    QCOMPARE(X11Titles::decode("caf\xc3\xa9", Encoding::Utf8), QString::fromUtf8("café"));
    // Broken UTF-8 keeps every readable character around the bad bytes.
    const QString broken = X11Titles::decode("ab\xff\xfe" "cd\xe6\x9d", Encoding::Utf8);
    QVERIFY(broken.startsWith("ab"));
    QVERIFY(broken.contains("cd"));
    QVERIFY(broken.contains(QChar(0xfffd)));
    // Control characters and NUL are text like any other.
    QCOMPARE(X11Titles::decode(QByteArray("a\0b\tc", 5), Encoding::Utf8), QString::fromUtf8("a\0b\tc", 5));
}

void TestX11Backend::executablePaths()
{
    QCOMPARE(X11Titles::executableOfProcess(QCoreApplication::applicationPid()),
             QFileInfo("/proc/self/exe").symLinkTarget());
    QVERIFY(X11Titles::executableOfProcess(0).isEmpty());
    QVERIFY(X11Titles::executableOfProcess(999999999).isEmpty());

    // A program whose file was deleted while it runs is named as /proc names it.
    QTemporaryDir dir;
    const QString copy = dir.path() + "/doomed";
    QVERIFY(QFile::copy("/bin/sleep", copy));
    QFile::setPermissions(copy, QFile::permissions(copy) | QFileDevice::ExeOwner);
    QProcess doomed;
    doomed.start(copy, {"30"});
    QVERIFY(doomed.waitForStarted());
    QVERIFY(QFile::remove(copy));
    QCOMPARE(X11Titles::executableOfProcess(doomed.processId()), copy + " (deleted)");
    doomed.kill();
    doomed.waitForFinished();

    // Another user's process: no permission, no path.
    if (::geteuid() == 0) {
        const pid_t child = ::fork();
        if (child == 0) {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(2);
            ::_exit(X11Titles::executableOfProcess(1).isEmpty() ? 0 : 1);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
    } else {
        QVERIFY(X11Titles::executableOfProcess(1).isEmpty());
    }
}

QTEST_MAIN(TestX11Backend)
#include "tst_x11backend.moc"
