// Broken and hostile log files, huge answers: kesto keeps running, reports
// only what it must, and changes nothing already stored.
#include "mainwindow.h"
#include "searchdialog.h"
#include "testsupport.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSystemTrayIcon>
#include <QTest>
#include <QDeadlineTimer>
#include <QAbstractItemView>

using namespace TestSupport;

namespace {

// Every row of every table, to compare before and after.
QStringList snapshot(const QString &path)
{
    LogFile log(path);
    QStringList rows;
    for (const char *table : {"ApplicationLog", "ActivityLog", "Options"}) {
        for (const QVariantList &row : log.rows(QStringLiteral("SELECT * FROM %1 ORDER BY ROWID").arg(table))) {
            QStringList cells;
            for (const QVariant &v : row)
                cells << (v.isNull() ? QStringLiteral("NULL") : v.toString());
            rows << QLatin1String(table) + ": " + cells.join('|');
        }
    }
    return rows;
}

// What one session of kesto does: start, sample, answer, look at the log.
struct Journey
{
    QStringList boxesAtStart;
    QStringList boxesOnSave;
    QStringList boxesInLog;
    int dialogDays = -1;
};

Journey travel(const QString &answer = QStringLiteral("an answer"))
{
    Journey j;
    FakeForegroundWindow fake;
    fake.show("/usr/bin/editor", "notes.txt");
    std::unique_ptr<MainWindow> window;
    {
        MessageBoxCloser closer;
        window = std::make_unique<MainWindow>();
        for (const auto &b : closer.seen)
            j.boxesAtStart << b.text;
    }
    for (int i = 0; i < 3; ++i)
        QMetaObject::invokeMethod(window.get(), "OnTimerPrograms");
    {
        MessageBoxCloser closer;
        QMetaObject::invokeMethod(window.get(), "OnTimerKESTO");
        auto *combo = window->findChild<QComboBox *>("cbWhat");
        combo->lineEdit()->setText(answer);
        QTest::keyClick(combo, Qt::Key_Return);
        for (const auto &b : closer.seen)
            j.boxesOnSave << b.text;
    }
    QTimer::singleShot(100, [&] {
        if (auto *dialog = window->findChild<SearchDialog *>()) {
            QDeadlineTimer deadline(30000);
            while (dialog->isSearching() && !deadline.hasExpired())
                QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            j.dialogDays = dialog->findChild<QAbstractItemView *>("tvwItems")->model()->rowCount();
            dialog->close();
        }
    });
    {
        MessageBoxCloser closer;
        for (QAction *a : window->findChild<QSystemTrayIcon *>()->contextMenu()->actions())
            if (a->text() == "Show log...")
                a->trigger();
        for (const auto &b : closer.seen)
            j.boxesInLog << b.text;
    }
    window.reset();
    releaseDefaultConnection();
    return j;
}

const QString cannotOpen = QStringLiteral("Whoops, something went wrong and I can't open the database!");
const QString cannotSave = QStringLiteral("An error occourred while writing to the database: ");

} // namespace

class TestHostile : public QObject
{
    Q_OBJECT

private slots:
    void zeroByteFile();
    void randomBytes();
    void directoryInsteadOfFile();
    void missingTables();
    void optionsWithTwoRows();
    void malformedDates();
    void hugeAnswersStoredAndExportedIntact();
    void exclusiveLockByAnotherProcess();
};

void TestHostile::zeroByteFile()
{
    Sandbox box;
    box.copyTemplate();
    QFile(box.logPath()).open(QIODevice::WriteOnly);
    const Journey j = travel();
    QVERIFY(j.boxesAtStart.isEmpty());
    QVERIFY(j.boxesOnSave.isEmpty());
    QVERIFY(j.boxesInLog.isEmpty());
    // An empty file is an empty database: it gets the tables and works.
    LogFile log(box.logPath());
    QCOMPARE(log.value("SELECT ActText FROM ActivityLog").toString(), QStringLiteral("an answer"));
    QCOMPARE(log.value("SELECT Duration FROM ApplicationLog").toInt(), 15);
}

void TestHostile::randomBytes()
{
    Sandbox box;
    box.copyTemplate();
    QByteArray noise(64 * 1024, '\0');
    QRandomGenerator rng(7);
    for (char &c : noise)
        c = char(rng.bounded(256));
    {
        QFile f(box.logPath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(noise);
    }
    const Journey j = travel();
    // The driver opens it lazily, so only the save reports the damage.
    QVERIFY(j.boxesAtStart.isEmpty() || j.boxesAtStart.first().startsWith(cannotOpen));
    QCOMPARE(j.boxesOnSave.size(), 1);
    QVERIFY(j.boxesOnSave.first().startsWith(cannotSave));
    // The log says why it is empty.
    QCOMPARE(j.dialogDays, 0);
    QCOMPARE(j.boxesInLog.size(), 1);
    QVERIFY2(j.boxesInLog.first().contains("not a database"), qPrintable(j.boxesInLog.first()));
    QCOMPARE(fileBytes(box.logPath()), noise);
}

void TestHostile::directoryInsteadOfFile()
{
    Sandbox box;
    box.copyTemplate();
    QVERIFY(QDir().mkdir(box.logPath()));
    const Journey j = travel();
    QCOMPARE(j.boxesAtStart.size(), 1);
    QVERIFY(j.boxesAtStart.first().startsWith(cannotOpen + "\n"));
    QCOMPARE(j.boxesOnSave.size(), 1);
    QVERIFY(QFileInfo(box.logPath()).isDir());
    QVERIFY(QDir(box.logPath()).isEmpty());
}

void TestHostile::missingTables()
{
    Sandbox box;
    {
        LogFile log(box.logPath());
        QVERIFY(log.exec("CREATE TABLE Options (QueryMinutes INTEGER)"));
        QVERIFY(log.exec("INSERT INTO Options VALUES (60)"));
    }
    const QStringList before = snapshot(box.logPath());
    const Journey j = travel();
    QVERIFY(j.boxesAtStart.isEmpty());
    QCOMPARE(j.boxesOnSave.size(), 1);
    QVERIFY2(j.boxesOnSave.first().startsWith(cannotSave), qPrintable(j.boxesOnSave.first()));
    QCOMPARE(j.dialogDays, 0);
    QCOMPARE(j.boxesInLog.size(), 1);
    QVERIFY2(j.boxesInLog.first().contains("no such table"), qPrintable(j.boxesInLog.first()));
    QCOMPARE(snapshot(box.logPath()), before);
}

void TestHostile::optionsWithTwoRows()
{
    // Only the first row counts; a new choice is stored in every row.
    Harness h([](LogFile &t) {
        t.exec("DELETE FROM Options");
        t.exec("INSERT INTO Options VALUES (15)");
        t.exec("INSERT INTO Options VALUES (120)");
    });
    QCOMPARE(h.timer("timerPrompt")->interval(), 15 * 60000);
    h.action("menuFreq60min")->trigger();
    QCOMPARE(h.log->rows("SELECT QueryMinutes FROM Options"), QList<QVariantList>({{60}, {60}}));
}

void TestHostile::malformedDates()
{
    Sandbox box;
    box.copyTemplate();
    QFile::copy(box.work() + "/template.db", box.logPath());
    {
        LogFile log(box.logPath());
        for (const char *date : {"garbage", "2026-13-45 99:99:99", "", "2026-11-30", "9999-99-99T", "2026-11-30 10:00:00"}) {
            QVERIFY(log.exec("INSERT INTO ActivityLog VALUES ('a', ?)", {QString::fromLatin1(date)}));
            QVERIFY(log.exec("INSERT INTO ApplicationLog VALUES ('/bin/p', 't', ?, 5)", {QString::fromLatin1(date)}));
        }
        QVERIFY(log.exec("INSERT INTO ActivityLog VALUES ('null date', NULL)"));
        QVERIFY(log.exec("INSERT INTO ApplicationLog VALUES (NULL, NULL, NULL, 5)"));
    }
    const QStringList before = snapshot(box.logPath());
    LogFile log(box.logPath());
    MessageBoxCloser closer;
    SearchDialog dialog;
    dialog.setDatabase(log.db());
    dialog.findChild<QDateEdit *>("dpLogIni")->setDate(QDate(1900, 1, 1));
    dialog.findChild<QDateEdit *>("dpLogFin")->setDate(QDate(7999, 12, 31));
    for (int view = 0; view < 3; ++view) {
        dialog.findChild<QComboBox *>("cmbView")->setCurrentIndex(view);
        dialog.findChild<QPushButton *>("cmdSearch")->click();
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.isSearching(), 60000);
        QVERIFY(dialog.findChild<QAbstractItemView *>("tvwItems")->model()->rowCount() > 0);
    }
    QVERIFY(closer.seen.isEmpty());
    QCOMPARE(snapshot(box.logPath()), before);
}

void TestHostile::hugeAnswersStoredAndExportedIntact()
{
    Sandbox box;
    box.copyTemplate();
    QString answer;
    const QString pieces[] = {"'; DROP TABLE ActivityLog; --", "\"quoted, \"\"twice\"\"\"", "line\nbreak\r\n",
                              QString::fromUtf8("Ünïcödé 東京 😀 עברית")};
    while (answer.size() < 1024 * 1024)
        answer += pieces[answer.size() % 4] + QString::number(answer.size());
    const Journey j = travel(answer);
    QVERIFY(j.boxesOnSave.isEmpty());
    LogFile log(box.logPath());
    const QString stored = log.value("SELECT ActText FROM ActivityLog").toString();
    QCOMPARE(stored.size(), answer.size());
    QVERIFY(stored == answer);
    QCOMPARE(log.value("SELECT COUNT(*) FROM sqlite_master WHERE name = 'ActivityLog'").toInt(), 1);

    // Exported and read back by Python's csv module, field for field.
    SearchDialog dialog;
    dialog.setDatabase(log.db());
    const QString out = box.work() + "/huge.csv";
    {
        FileDialogAnswer answerDialog(out);
        emit dialog.findChild<QLabel *>("llCSV")->linkActivated("#");
    }
    QProcess python;
    python.start("python3", {"-c", "import csv, sys\n"
                                   "csv.field_size_limit(1 << 30)\n"
                                   "with open(sys.argv[1], newline='', encoding='utf-8') as f:\n"
                                   "    rows = list(csv.reader(f))\n"
                                   "sys.stdout.write(rows[0][1])\n",
                             out});
    QVERIFY(python.waitForFinished(60000));
    QCOMPARE(python.exitCode(), 0);
    QVERIFY(QString::fromUtf8(python.readAllStandardOutput()) == answer);
}

void TestHostile::exclusiveLockByAnotherProcess()
{
    Harness h;
    h.fake.show("/usr/bin/editor", "kept in front");
    h.invoke("OnTimerPrograms");
    h.invoke("OnTimerPrograms");
    QCOMPARE(h.log->value("SELECT Duration FROM ApplicationLog").toInt(), 10);
    const QStringList before = snapshot(h.box.logPath());

    // The sqlite3 shell holds the file for 30 seconds while the real sampling
    // timer runs and the interface is watched through a 10 ms timer.
    QProcess shell;
    shell.start("sqlite3", {h.box.logPath()});
    QVERIFY(shell.waitForStarted());
    shell.write("BEGIN EXCLUSIVE;\nSELECT 'locked';\n");
    QVERIFY(shell.waitForReadyRead(10000));
    QCOMPARE(shell.readAllStandardOutput().trimmed(), QByteArray("locked"));
    QTimer *sampling = h.timer("timerPrograms");
    sampling->start(5000);
    int lockedTicks = 0;
    const auto counter = connect(sampling, &QTimer::timeout, this, [&lockedTicks] { ++lockedTicks; });
    QTimer watch;
    watch.setTimerType(Qt::PreciseTimer);
    QElapsedTimer sinceLast;
    qint64 longestGap = 0;
    connect(&watch, &QTimer::timeout, this, [&] {
        longestGap = qMax(longestGap, sinceLast.restart());
    });
    QElapsedTimer held;
    held.start();
    sinceLast.start();
    watch.start(10);
    // At least 30 s, and six whole ticks of it.
    while (held.elapsed() < 30000 || lockedTicks < 6)
        QTest::qWait(50);
    watch.stop();
    disconnect(counter);
    sampling->stop();
    QCOMPARE(snapshot(h.box.logPath()), before);
    shell.write("COMMIT;\n.quit\n");
    QVERIFY(shell.waitForFinished(10000));
    qInfo("log held %.1f s, %d ticks; longest gap between 10 ms timer events %lld ms",
          held.elapsed() / 1000.0, lockedTicks, longestGap);
    // Each tick waits a quarter second for the lock at most; five seconds
    // per tick would show here.
    QVERIFY2(longestGap < 2000, qPrintable(QString::number(longestGap)));

    // The time spent while the log was held lands on the row once it is free.
    h.invoke("OnTimerPrograms");
    const int duration = h.log->value("SELECT Duration FROM ApplicationLog").toInt();
    QCOMPARE(duration, 10 + 5 * (lockedTicks + 1));
    QVERIFY(duration - 10 >= 30);
    h.fake.show("/usr/bin/editor", "after the lock");
    h.invoke("OnTimerPrograms");
    QCOMPARE(h.log->value("SELECT COUNT(*) FROM ApplicationLog").toInt(), 2);
    {
        MessageBoxCloser closer;
        h.invoke("OnTimerKESTO");
        auto *combo = h.widget<QComboBox>("cbWhat");
        combo->lineEdit()->setText("after the lock");
        QTest::keyClick(combo, Qt::Key_Return);
        QVERIFY(closer.seen.isEmpty());
    }
    QCOMPARE(h.log->value("SELECT ActText FROM ActivityLog").toString(), QStringLiteral("after the lock"));
}

QTEST_MAIN(TestHostile)
#include "tst_hostile.moc"
