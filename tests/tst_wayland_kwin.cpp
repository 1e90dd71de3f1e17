// The KWin backend and the real kesto on a real KWin (kwin_wayland
// --virtual, tests/kwin-session.sh): kesto's script reports, kesto logs.
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
    box.copyTemplate();
    {
        LogFile t(box.work() + "/template.db");
        QVERIFY(t.exec("UPDATE Options SET QueryMinutes = 0"));
    }
    Child kesto(binDir() + "/kesto", {}, box.work(), {"HOME=" + box.home(), "QT_QPA_PLATFORM=wayland"});
    // kesto's own sampler sees its prompt as the active window.
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(box.logPath()), 10000);
    LogFile log(box.logPath());
    QTRY_VERIFY_WITH_TIMEOUT(log.value("SELECT COUNT(*) FROM ApplicationLog WHERE AppTitle = 'Quorvel?'").toInt() == 1,
                             15000);
    QCOMPARE(log.value("SELECT AppFileName FROM ApplicationLog WHERE AppTitle = 'Quorvel?'").toString(),
             QFileInfo(binDir() + "/kesto").canonicalFilePath());
    QCOMPARE(kesto.process().state(), QProcess::Running);
}

QTEST_MAIN(TestWaylandKWin)
#include "tst_wayland_kwin.moc"
