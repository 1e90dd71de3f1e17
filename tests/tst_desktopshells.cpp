// The KWin and GNOME Shell backends against stand-ins for the two shells on
// a private session bus: what kesto's script and extension say, kesto logs.
#include "desktoptools.h"
#include "foregroundwindow.h"
#include "systembackend.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <memory>

using DesktopTools::requestSample;

namespace {

// KWin's scripting interface, and what kesto's script does once started.
class FakeKWin : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.kwin.Scripting")

public:
    QString loadedText;
    QString activeCaption;
    QString activePid;

public slots:
    int loadScript(const QString &path, const QString &pluginName)
    {
        QFile file(path);
        if (pluginName != "kesto" || !file.open(QIODevice::ReadOnly))
            return -1;
        loadedText = QString::fromUtf8(file.readAll());
        return 0;
    }
    bool unloadScript(const QString &) { return true; }
    void start() { report(activeCaption, activePid); }

public:
    void report(const QString &caption, const QString &pid)
    {
        QDBusMessage call = QDBusMessage::createMethodCall("example.vrensk.kesto", "/ForegroundWindow",
                                                           "example.vrensk.kesto.ForegroundWindow", "Update");
        call << caption << pid;
        bus().send(call);
    }
    static QDBusConnection bus() { return QDBusConnection::connectToBus(QDBusConnection::SessionBus, "fake-shell"); }
};

// GNOME Shell's version, and kesto's extension once it is turned on.
class FakeGnomeShell : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.Shell")
    Q_PROPERTY(QString ShellVersion READ shellVersion)

public:
    QString shellVersion() const { return version; }
    QString version = "43.9";
};

class FakeScreenSaver : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")

public:
    bool active = false;

public slots:
    bool GetActive() { return active; }
};

class FakeExtension : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "example.vrensk.kesto.FocusedWindow")

public:
    QString title;
    uint pid = 0;
    // A busy shell: the answer, as it is now, leaves this much later.
    int delayMs = 0;

public slots:
    QString Get(uint &outPid)
    {
        outPid = pid;
        if (delayMs > 0) {
            setDelayedReply(true);
            const QDBusMessage reply = message().createReply({title, pid});
            QTimer::singleShot(delayMs, this, [bus = connection(), reply] { bus.send(reply); });
        }
        return title;
    }
};

// The stand-ins answer from a thread of their own: kesto's calls block.
class ShellThread
{
public:
    ShellThread() { thread.start(); }
    ~ShellThread()
    {
        QDBusConnection bus = FakeKWin::bus();
        for (const QString &name : names)
            bus.unregisterService(name);
        for (const QString &path : paths)
            bus.unregisterObject(path);
        for (QObject *o : objects)
            QMetaObject::invokeMethod(o, [o] { delete o; }, Qt::BlockingQueuedConnection);
        thread.quit();
        thread.wait();
    }
    template<typename T>
    T *add(const QString &path, const QString &service = QString())
    {
        T *object = new T;
        object->moveToThread(&thread);
        objects << object;
        QDBusConnection bus = FakeKWin::bus();
        bus.registerObject(path, object, QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties);
        paths << path;
        if (!service.isEmpty() && bus.registerService(service))
            names << service;
        return object;
    }

private:
    QThread thread;
    QList<QObject *> objects;
    QStringList names;
    QStringList paths;
};

std::optional<ForegroundSample> sampleOf(ForegroundWindowSource &source, const QString &title)
{
    std::optional<ForegroundSample> s;
    for (int i = 0; i < 50; ++i) {
        QCoreApplication::processEvents();
        s = source.sample();
        if (s && s->title == title)
            break;
        QTest::qWait(50);
    }
    return s;
}

} // namespace

class TestDesktopShells : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void kwinReportsTheActiveWindow();
    void gnomeShellExtension();

private:
    QProcess program;
    QString programPath;
};

void TestDesktopShells::initTestCase()
{
    QVERIFY2(QDBusConnection::sessionBus().isConnected(), "run under dbus-run-session");
    // A Wayland session without a wlroots compositor: the shells are asked.
    qputenv("WAYLAND_DISPLAY", "wayland-kesto-none");
    program.start("sleep", {"120"});
    QVERIFY(program.waitForStarted());
    programPath = QFileInfo("/proc/" + QString::number(program.processId()) + "/exe").canonicalFilePath();
}

void TestDesktopShells::kwinReportsTheActiveWindow()
{
    ShellThread shell;
    FakeKWin *kwin = shell.add<FakeKWin>("/Scripting", "org.kde.KWin");
    // What is active before kesto starts is not lost.
    kwin->activeCaption = QString::fromUtf8("Before start — ünï");
    kwin->activePid = QString::number(program.processId());

    std::unique_ptr<ForegroundWindowSource> source(createSystemForegroundWindowSource());
    QVERIFY(source->isAvailable());
    QVERIFY(kwin->loadedText.contains("workspace"));
    std::optional<ForegroundSample> s = sampleOf(*source, kwin->activeCaption);
    QVERIFY(s);
    QCOMPARE(s->title, kwin->activeCaption);
    QCOMPARE(s->path, programPath);
    // Asked without waiting, the answer is the same, and at once: it is kept
    // from the script's reports.
    const DesktopTools::RequestedSample asked = requestSample(*source);
    QVERIFY(asked.sample);
    QCOMPARE(asked.sample->title, s->title);

    kwin->report(QString(2000, QChar(0x4e16)), kwin->activePid);
    s = sampleOf(*source, QString(1023, QChar(0x4e16)));
    QVERIFY(s);
    QCOMPARE(s->title.size(), 1023);

    // Nothing active, or a process that is gone: nothing logged.
    kwin->report("", "0");
    QTRY_VERIFY(!source->sample());
    kwin->report("gone", "999999999");
    QTest::qWait(200);
    QVERIFY(!source->sample());
}

void TestDesktopShells::gnomeShellExtension()
{
    ShellThread shell;
    shell.add<FakeGnomeShell>("/org/gnome/Shell", "org.gnome.Shell");
    std::unique_ptr<ForegroundWindowSource> source(createSystemForegroundWindowSource());
    // Without the extension: nothing, and the user learns the command.
    QVERIFY(!source->isAvailable());
    QVERIFY(!source->sample());
    QVERIFY2(source->unavailableReason().contains("gnome-extensions enable kesto-gnome43@vrensk.example"),
             qPrintable(source->unavailableReason()));

    // Turned on later: picked up without a restart.
    FakeExtension *extension = shell.add<FakeExtension>("/example/vrensk/kesto/FocusedWindow");
    extension->title = QString::fromUtf8("Focused — 東京");
    extension->pid = uint(program.processId());
    const std::optional<ForegroundSample> s = sampleOf(*source, extension->title);
    QVERIFY(s);
    QCOMPARE(s->path, programPath);

    // A shell slow to answer holds nobody: the request returns at once and
    // the answer comes later. An answer overtaken by a newer request is
    // dropped, never handed out as the newer one's.
    extension->delayMs = 500;
    auto overtaken = std::make_shared<int>(0);
    source->requestSample([overtaken](std::optional<ForegroundSample>) { ++*overtaken; });
    const DesktopTools::RequestedSample late = requestSample(*source);
    QVERIFY(late.answered);
    QVERIFY(late.returnedFirst);
    QVERIFY(late.sample);
    QCOMPARE(late.sample->title, extension->title);
    QCOMPARE(late.sample->path, programPath);
    QCOMPARE(*overtaken, 0);
    extension->delayMs = 0;

    // Locked: the focused window behind the lock screen is not logged.
    FakeScreenSaver *saver = shell.add<FakeScreenSaver>("/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver");
    saver->active = true;
    QTRY_VERIFY(!source->sample());
    const DesktopTools::RequestedSample locked = requestSample(*source);
    QVERIFY(locked.answered && !locked.sample);
    saver->active = false;
    QTRY_VERIFY(source->sample());
    QTRY_VERIFY(requestSample(*source).sample);

    extension->title.clear();
    QVERIFY(!source->sample());
}

QTEST_GUILESS_MAIN(TestDesktopShells)
#include "tst_desktopshells.moc"
