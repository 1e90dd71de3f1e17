// The GNOME Shell backend and the real kesto on a real GNOME Shell
// (gnome-shell --headless, tests/gnome-session.sh) with kesto's extension.
#include "desktoptools.h"
#include "foregroundwindow.h"
#include "systembackend.h"
#include "testsupport.h"

#include <QFileInfo>
#include <QTest>
#include <QWidget>

#include <memory>

using namespace DesktopTools;
using namespace TestSupport;

class TestWaylandGnome : public QObject
{
    Q_OBJECT

private slots:
    void extensionTurnedOnLater();
    void kestoLogsItsPromptInFront();
};

void TestWaylandGnome::extensionTurnedOnLater()
{
    const QString title = QString::fromUtf8("GNOME — Grüße 東京");
    QWidget window;
    window.setWindowTitle(title);
    window.show();
    QTest::qWait(1000);

    // Installed but off: nothing, and the user is told the command.
    std::unique_ptr<ForegroundWindowSource> source(createSystemForegroundWindowSource());
    QVERIFY(!source->isAvailable());
    QVERIFY(!source->sample());
    QVERIFY2(source->unavailableReason().contains("gnome-extensions enable kesto-gnome43@vrensk.example"),
             qPrintable(source->unavailableReason()));

    // Turned on as told: used at once, without a restart.
    run("gnome-extensions", {"enable", "kesto-gnome43@vrensk.example"});
    std::optional<ForegroundSample> s;
    QTRY_VERIFY_WITH_TIMEOUT((s = source->sample()) && s->title == title, 10000);
    QCOMPARE(s->path, QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath());
    // Asked without waiting: the same answer, through the event loop.
    const RequestedSample asked = requestSample(*source);
    QVERIFY(asked.returnedFirst);
    QVERIFY(asked.sample && asked.sample->title == title && asked.sample->path == s->path);

    window.setWindowTitle("renamed");
    QTRY_VERIFY_WITH_TIMEOUT((s = source->sample()) && s->title == "renamed", 10000);
    window.close();
    QTRY_VERIFY_WITH_TIMEOUT(!source->sample(), 10000);
}

void TestWaylandGnome::kestoLogsItsPromptInFront()
{
    Sandbox box;
    const auto kesto = startKestoAskingOnWayland(box);
    QVERIFY(kesto);
    // kesto's own sampler sees its prompt as the active window.
    QVERIFY(kestoLoggedItsPrompt(box));
    QCOMPARE(kesto->process().state(), QProcess::Running);
}

QTEST_MAIN(TestWaylandGnome)
#include "tst_wayland_gnome.moc"
