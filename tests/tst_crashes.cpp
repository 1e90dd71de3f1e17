// The real kesto killed at random moments while it samples and saves
// answers: the log stays sound and keeps every answer whose save finished.
#include "desktoptools.h"
#include "testsupport.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>
#include <QThread>

#include <csignal>
#include <sys/types.h>
#include <unistd.h>

using namespace TestSupport;
using namespace DesktopTools;

namespace {

int trials()
{
    return qEnvironmentVariableIntValue("KESTO_CRASH_TRIALS") > 0 ? qEnvironmentVariableIntValue("KESTO_CRASH_TRIALS")
                                                                  : 50;
}

// Saves that finished: each hides the prompt (an unmap). The last unmap is
// the kill itself when the window was destroyed right after it.
int finishedSaves(const QString &events)
{
    int unmaps = 0;
    bool lastWasUnmap = false;
    for (const QString &line : events.split('\n')) {
        if (line.startsWith("UnmapNotify")) {
            ++unmaps;
            lastWasUnmap = true;
        } else if (line.startsWith("DestroyNotify") && lastWasUnmap) {
            --unmaps;
            lastWasUnmap = false;
        } else if (!line.trimmed().isEmpty() && !line.startsWith(' ')) {
            lastWasUnmap = false;
        }
    }
    return unmaps;
}

} // namespace

class TestCrashes : public QObject
{
    Q_OBJECT

private slots:
    void killedAtRandomMoments();
};

void TestCrashes::killedAtRandomMoments()
{
    Sandbox box;
    box.copyTemplate();
    {
        LogFile t(box.work() + "/template.db");
        QVERIFY(t.exec("UPDATE Options SET QueryMinutes = 0"));
    }
    Child front("xterm", {"-T", "Sampled meanwhile", "-e", "sleep", "3600"});
    QVERIFY(!waitForWindow("Sampled meanwhile").isEmpty());

    QRandomGenerator rng(20261207);
    int kept = 0;
    int kills = 0;
    int saves = 0;
    for (int trial = 0; trial < trials(); ++trial) {
        QProcess kesto;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", box.home());
        kesto.setProcessEnvironment(env);
        kesto.setWorkingDirectory(box.work());
        kesto.start(binDir() + "/kesto", {});
        QVERIFY(kesto.waitForStarted());
        const QString prompt = waitForWindow("Quorvel?", 15000);
        QVERIFY2(!prompt.isEmpty(), "the prompt did not come");

        QProcess watcher;
        watcher.start("stdbuf", {"-oL", "xev", "-id", prompt, "-event", "structure"});
        QVERIFY(watcher.waitForStarted());
        QThread::msleep(100);

        // Keys typed while the prompt is between a save and its next showing
        // go elsewhere, so a finished save may hold only part of what was
        // typed: count the rows a trial added, not which texts they hold.
        int typed = 0;
        QDeadlineTimer killAt(int(rng.bounded(300, 3000)));
        while (!killAt.hasExpired()) {
            const QString answer = QStringLiteral("answer %1.%2").arg(trial).arg(typed++);
            run("xdotool", {"type", "--delay", "1", answer});
            run("xdotool", {"key", "Return"});
            QThread::msleep(rng.bounded(20, 200));
        }
        ::kill(pid_t(kesto.processId()), SIGKILL);
        QVERIFY(kesto.waitForFinished(10000));
        ++kills;
        QThread::msleep(200);
        watcher.terminate();
        watcher.waitForFinished(5000);

        const int finished = finishedSaves(QString::fromUtf8(watcher.readAllStandardOutput()));
        saves += finished;

        LogFile log(box.logPath());
        QCOMPARE(log.value("PRAGMA integrity_check").toString(), QStringLiteral("ok"));
        const int rows = log.value("SELECT count(*) FROM ActivityLog").toInt();
        if (rows - kept < finished) {
            QStringList added;
            for (const QVariantList &row : log.rows(QStringLiteral("SELECT ActText FROM ActivityLog ORDER BY rowid "
                                                                   "LIMIT -1 OFFSET %1")
                                                        .arg(kept)))
                added << row[0].toString();
            QFAIL(qPrintable(QStringLiteral("trial %1: %2 saves finished, %3 rows added: %4")
                                 .arg(trial)
                                 .arg(finished)
                                 .arg(rows - kept)
                                 .arg(added.join(QLatin1String(" | ")))));
        }
        kept = rows;
    }
    qInfo("%d kills, %d finished saves, all kept", kills, saves);
    QVERIFY(kills >= trials());
    QVERIFY(saves > 0);
}

QTEST_GUILESS_MAIN(TestCrashes)
#include "tst_crashes.moc"
