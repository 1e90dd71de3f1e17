// Time away with the real kesto on a real X desktop (Xvfb and icewm): a
// minute of 2 s (KESTO_AWAY_MINUTE_MS), away after one such minute, asked
// about absences of fifteen.
#include "desktoptools.h"
#include "testsupport.h"
#include "x11stage.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QFile>
#include <QTest>
#include <QThread>

#include <functional>

using namespace TestSupport;
using namespace DesktopTools;

namespace {

constexpr int kMinuteMs = 2000;

QDateTime logTime(const QVariant &text)
{
    return QDateTime::fromString(text.toString(), "yyyy-MM-dd HH:mm:ss");
}

} // namespace

class TestAwayX11 : public QObject
{
    Q_OBJECT

private slots:
    void awayAndBack();
};

void TestAwayX11::awayAndBack()
{
    Sandbox box;
    box.copyTemplate();
    QVERIFY(QFile::copy(box.work() + "/template.db", box.logPath()));
    {
        LogFile log(box.logPath());
        QVERIFY(log.exec("INSERT INTO Settings VALUES ('AwayMinutes', 1)"));
    }
    Child term("xterm", {"-T", "Left alone", "-e", "sleep", "300"});
    QVERIFY(bringToFront(waitForWindow("Left alone")));
    Child kesto(binDir() + "/kesto", {}, box.work(),
                {"HOME=" + box.home(), "QT_QPA_PLATFORM=xcb", QStringLiteral("KESTO_AWAY_MINUTE_MS=%1").arg(kMinuteMs)});
    LogFile log(box.logPath());
    const auto row = [&] { return log.rows("SELECT AppDate, Duration FROM ApplicationLog WHERE AppTitle = 'Left alone'"); };

    // A player resetting the screen saver, as often as one does in half a
    // minute: no key, yet present.
    X11Stage server;
    QVERIFY(waitFor([&] {
        server.forceScreenSaver(false);
        return !row().isEmpty() && row()[0][1].toInt() >= 10;
    }, 20000));
    QDateTime lastInput;
    QDeadlineTimer keepUp(4000);
    while (!keepUp.hasExpired()) {
        server.forceScreenSaver(false);
        lastInput = QDateTime::currentDateTime();
        QThread::msleep(500);
    }
    QCOMPARE(row().size(), 1);

    // Then nothing for more than fifteen minutes: the row ends at the last
    // input, and nothing asks yet.
    QThread::msleep(15 * kMinuteMs + 1500);
    const QList<QVariantList> rows = row();
    QCOMPARE(rows.size(), 1);
    const qint64 upToLastInput = logTime(rows[0][0]).secsTo(lastInput);
    QVERIFY2(qAbs(rows[0][1].toInt() - upToLastInput) <= 2,
             qPrintable(QStringLiteral("%1 s held, %2 s up to the last input").arg(rows[0][1].toInt()).arg(upToLastInput)));
    QCOMPARE(log.value("SELECT COUNT(*) FROM ActivityLog").toInt(), 0);
    QVERIFY(run("xdotool", {"search", "--onlyvisible", "--name", "^Quorvel\\?$"}).trimmed().isEmpty());

    // A key: the prompt asks at once, its answer goes where the absence began.
    run("xdotool", {"key", "shift"});
    const QDateTime back = QDateTime::currentDateTime();
    const QString prompt = waitForWindow("Quorvel?", 5000);
    QVERIFY(!prompt.isEmpty());
    QVERIFY(waitFor([&] { return run("xdotool", {"getactivewindow"}).trimmed() == prompt; }, 5000));
    run("xdotool", {"type", "--delay", "10", "coffee"});
    run("xdotool", {"key", "Return"});
    QVERIFY(waitFor([&] { return log.value("SELECT COUNT(*) FROM ActivityLog").toInt() == 1; }, 5000));
    const QList<QVariantList> absences = log.rows("SELECT AwayStart, AwayEnd FROM Absences");
    QCOMPARE(absences.size(), 1);
    QVERIFY(qAbs(logTime(absences[0][0]).secsTo(lastInput)) <= 2);
    QVERIFY(qAbs(logTime(absences[0][1]).secsTo(back)) <= 2);
    QCOMPARE(log.rows("SELECT ActText, ActDate FROM ActivityLog"), QList<QVariantList>({{"coffee", absences[0][0]}}));

    // Sampling goes on, in a row of its own, while the user is there.
    QVERIFY(bringToFront(waitForWindow("Left alone")));
    QVERIFY(waitFor([&] {
        server.forceScreenSaver(false);
        return row().size() == 2 && row()[1][1].toInt() >= 5;
    }, 15000));
    QVERIFY(logTime(row()[1][0]) >= logTime(absences[0][1]));
}

QTEST_GUILESS_MAIN(TestAwayX11)
#include "tst_awayx11.moc"
