// The KWin backend and the real kesto on a real KWin (kwin_wayland
// --virtual, tests/kwin-session.sh): kesto's script reports, kesto logs.
#include "desktoptools.h"
#include "foregroundwindow.h"
#include "systembackend.h"
#include "testsupport.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QTest>
#include <QWidget>

#include <memory>

using namespace DesktopTools;
using namespace TestSupport;

namespace {

// Asks KWin itself about its active window, through a script of the test's own.
class KWinProbe : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "example.kesto.test.Probe")

public:
    QString answer;

    QString activeWindow()
    {
        answer.clear();
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.registerService("example.kesto.test");
        bus.registerObject("/Probe", this, QDBusConnection::ExportAllSlots);
        QTemporaryFile script;
        script.setFileTemplate(QDir::tempPath() + "/probe-XXXXXX.js");
        if (!script.open())
            return QString();
        script.write("var c = workspace.activeClient;\n"
                     "callDBus('example.kesto.test', '/Probe', 'example.kesto.test.Probe', 'Report',\n"
                     "    c ? c.caption + '|' + c.fullScreen + '|' + c.keepAbove : '');\n");
        script.close();
        const auto scripting = [&](const QString &method, const QVariantList &args) {
            QDBusMessage call = QDBusMessage::createMethodCall("org.kde.KWin", "/Scripting", "org.kde.kwin.Scripting", method);
            call.setArguments(args);
            return bus.call(call);
        };
        scripting("loadScript", {script.fileName(), "kesto-test-probe"});
        scripting("start", {});
        for (int i = 0; i < 50 && answer.isEmpty(); ++i)
            QTest::qWait(100);
        scripting("unloadScript", {"kesto-test-probe"});
        return answer;
    }

public slots:
    void Report(const QString &what) { answer = what; }
};

} // namespace

class TestWaylandKWin : public QObject
{
    Q_OBJECT

private slots:
    void followsTheActiveWindow();
    void kestoLogsItsPromptInFront();

private:
    std::optional<ForegroundSample> sampleOf(ForegroundWindowSource &source, const QString &title)
    {
        std::optional<ForegroundSample> s;
        for (int i = 0; i < 100 && !(s && s->title == title); ++i) {
            QTest::qWait(100);
            s = source.sample();
        }
        return s && s->title == title ? s : std::nullopt;
    }
};

void TestWaylandKWin::followsTheActiveWindow()
{
    // Qt windows of this test: foot 1.13 cannot start on KWin's virtual
    // output, whose physical size is unknown.
    const QString self = QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath();
    const QString first = QString::fromUtf8("KWin — Grüße 東京");
    QWidget a;
    a.setWindowTitle(first);
    a.show();
    QTest::qWait(500);
    // KWin offers no toplevel list to clients: the script is the way.
    std::unique_ptr<ForegroundWindowSource> source(createSystemForegroundWindowSource());
    QVERIFY2(source->isAvailable(), qPrintable(source->unavailableReason()));
    // Active before the script was loaded, and still found.
    std::optional<ForegroundSample> s = sampleOf(*source, first);
    QVERIFY(s);
    QCOMPARE(s->path, self);

    // A new window takes the focus, then renames itself.
    auto b = std::make_unique<QWidget>();
    b->setWindowTitle("second");
    b->show();
    QVERIFY(sampleOf(*source, "second"));
    b->setWindowTitle("second, renamed");
    QVERIFY(sampleOf(*source, "second, renamed"));

    // Closed: the focus goes back; with no window left, nothing is logged.
    b.reset();
    QVERIFY(sampleOf(*source, first));
    a.close();
    QTRY_VERIFY_WITH_TIMEOUT(!source->sample(), 10000);
}

void TestWaylandKWin::kestoLogsItsPromptInFront()
{
    Sandbox box;
    const auto kesto = startKestoAskingOnWayland(box);
    QVERIFY(kesto);
    // kesto's own sampler sees its prompt as the active window.
    QVERIFY(kestoLoggedItsPrompt(box));
    // Active and full screen, as KWin itself sees it. (Qt 6.4 cannot ask a
    // Wayland compositor to keep a window above; KWin draws an active
    // full-screen window above the others all the same.)
    KWinProbe probe;
    const QString seen = probe.activeWindow();
    QVERIFY2(seen.startsWith("Quorvel?|true|"), qPrintable(seen));
    QCOMPARE(kesto->process().state(), QProcess::Running);
}

QTEST_MAIN(TestWaylandKWin)
#include "tst_wayland_kwin.moc"
