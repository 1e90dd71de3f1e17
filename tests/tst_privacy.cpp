// The real kesto on a real X desktop (Xvfb with icewm), in front of windows
// the user's rules are about: what they rule out is nowhere on the disk.
#include "csvexport.h"
#include "desktoptools.h"
#include "reportview.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTest>

using namespace TestSupport;
using namespace DesktopTools;

namespace {

// Asks the running kesto of the sandbox, as a user's shortcut would.
int ask(const Sandbox &box, const QStringList &arguments)
{
    QProcess client;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", box.home());
    client.setProcessEnvironment(env);
    client.start(binDir() + "/kesto", arguments);
    return client.waitForFinished(10000) && client.exitStatus() == QProcess::NormalExit ? client.exitCode() : -1;
}

// Where a text shows in raw bytes, in SQLite's UTF-8 or in UTF-16.
QString foundIn(const QString &file, const QString &text)
{
    const QByteArray bytes = fileBytes(file);
    const QByteArray utf16(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    return bytes.contains(text.toUtf8()) || bytes.contains(utf16) ? file + ": " + text : QString();
}

} // namespace

class TestPrivacy : public QObject
{
    Q_OBJECT

private slots:
    void rulesKeepTitlesOffTheDisk();
};

void TestPrivacy::rulesKeepTitlesOffTheDisk()
{
    Sandbox box;
    box.copyTemplate();
    {
        LogFile t(box.work() + "/template.db");
        QVERIFY(t.exec("INSERT INTO Rules (Position, Title, Action) VALUES (10, '*secret-bank*', 'dont-record')"));
        QVERIFY(t.exec("INSERT INTO Rules (Position, Program, Title, Action) VALUES (11, 'xterm', '*diagnosis*', "
                       "'hide-title')"));
    }
    // The rules name only part of each title; these words are the rest.
    const QStringList secrets = {"Zanzibar4711", "Quetzal0815"};
    Child bank("xterm", {"-T", "secret-bank statement " + secrets[0], "-e", "sleep", "300"});
    Child clinic("xterm", {"-T", "diagnosis results " + secrets[1], "-e", "sleep", "300"});
    Child plain("xterm", {"-T", "plain shell", "-e", "sleep", "300"});
    const QString bankId = waitForWindow("secret-bank statement " + secrets[0]);
    const QString clinicId = waitForWindow("diagnosis results " + secrets[1]);
    const QString plainId = waitForWindow("plain shell");
    QVERIFY(!bankId.isEmpty() && !clinicId.isEmpty() && !plainId.isEmpty());
    QVERIFY(bringToFront(plainId));

    Child kesto(binDir() + "/kesto", {}, box.work(), kestoEnv(box));
    QVERIFY(waitFor([&] { return QFile::exists(box.logPath()); }, 15000));
    LogFile log(box.logPath());
    const auto plainRows = [&] { return log.value("SELECT COUNT(*) FROM ApplicationLog WHERE AppTitle = 'plain shell'").toInt(); };
    QVERIFY(waitFor([&] { return plainRows() == 1; }, 15000));

    QVERIFY(bringToFront(bankId));
    QTest::qWait(8000);
    QVERIFY(bringToFront(clinicId));
    QElapsedTimer inFront;
    inFront.start();
    QTest::qWait(12000);
    QVERIFY(bringToFront(plainId));
    const int clinicSeconds = int(inFront.elapsed() / 1000);
    QVERIFY(waitFor([&] { return plainRows() == 2; }, 15000));

    // While kesto runs, with the write-ahead log beside the file.
    for (const QString &file : {box.logPath(), box.logPath() + "-wal"})
        for (const QString &secret : secrets)
            QVERIFY2(foundIn(file, secret).isEmpty(), qPrintable(foundIn(file, secret)));
    QCOMPARE(ask(box, {"--quit"}), 0);
    QVERIFY(kesto.process().waitForFinished(10000));

    const auto hidden = log.rows("SELECT AppFileName, Duration FROM ApplicationLog WHERE AppTitle = '(hidden)'");
    QCOMPARE(hidden.size(), 1);
    QVERIFY2(hidden[0][0].toString().endsWith("/xterm"), qPrintable(hidden[0][0].toString()));
    QVERIFY2(qAbs(hidden[0][1].toInt() - clinicSeconds) <= 7,
             qPrintable(QStringLiteral("%1 s recorded, %2 s in front").arg(hidden[0][1].toInt()).arg(clinicSeconds)));

    const QString csv = box.home() + "/programs.csv";
    CsvExport job(log.db(), ReportView::Programs, QDate::currentDate().addDays(-1), QDate::currentDate(), csv);
    job.start();
    QVERIFY(job.wait(30000));
    QVERIFY2(job.error().isEmpty(), qPrintable(job.error()));
    QVERIFY(fileBytes(csv).contains("\"(hidden)\""));
    for (const QString &file : {box.logPath(), box.logPath() + "-wal", csv})
        for (const QString &secret : secrets)
            QVERIFY2(foundIn(file, secret).isEmpty(), qPrintable(foundIn(file, secret)));
}

QTEST_GUILESS_MAIN(TestPrivacy)
#include "tst_privacy.moc"
