// The sampler against the log on disk, with a staged foreground window.
#include "mainwindow.h"
#include "systembackend.h"
#include "testsupport.h"

#include <QTest>

using namespace TestSupport;

namespace {

const QString editor = QStringLiteral("/usr/bin/editor");
const QString browser = QStringLiteral("/usr/lib/browser/browser");

struct Rig : Harness
{
    void tick(int times = 1)
    {
        for (int i = 0; i < times; ++i)
            invoke("OnTimerPrograms");
    }
    // (path, title, duration) of every row, oldest first.
    QList<QVariantList> rows()
    {
        return log->rows("SELECT AppFileName, AppTitle, Duration FROM ApplicationLog ORDER BY ROWID");
    }
};

QVariantList row(const QString &path, const QString &title, int duration)
{
    return {path, title, duration};
}

} // namespace

class TestSampler : public QObject
{
    Q_OBJECT

private slots:
    void oneWindowGrowsOneRow();
    void changesStartNewRows();
    void emptyTicksDoNotEndTheRow();
    void unreadableWindowsWriteNothing();
    void failedInsertIsRecoveredByTheNextChange();
    void restartInsertsAgain();
    void longTitlesAreCut();
    void stampsLocalTime();
    void waylandSessionRecordsNothing();
};

void TestSampler::oneWindowGrowsOneRow()
{
    Rig rig;
    rig.fake.show(editor, "notes.txt");
    rig.tick(12);
    QCOMPARE(rig.rows(), QList<QVariantList>({row(editor, "notes.txt", 5 + 55)}));
}

void TestSampler::changesStartNewRows()
{
    Rig rig;
    rig.fake.show(editor, "a.txt");
    rig.tick(2);
    rig.fake.show(editor, "b.txt");
    rig.tick();
    rig.fake.show(editor, "a.txt"); // back to the earlier title: a new row
    rig.tick();
    rig.fake.show(browser, "a.txt"); // same title, other program
    rig.tick();
    rig.fake.show(browser, "A.txt"); // letter case counts
    rig.tick(3);
    rig.fake.show(browser.toUpper(), "A.txt");
    rig.tick();
    QCOMPARE(rig.rows(), QList<QVariantList>({row(editor, "a.txt", 10), row(editor, "b.txt", 5),
                                              row(editor, "a.txt", 5), row(browser, "a.txt", 5),
                                              row(browser, "A.txt", 15), row(browser.toUpper(), "A.txt", 5)}));
}

void TestSampler::emptyTicksDoNotEndTheRow()
{
    Rig rig;
    rig.fake.show(editor, "a.txt");
    rig.tick();
    rig.fake.showNothing();
    rig.tick(3);
    rig.fake.show(editor, "a.txt");
    rig.tick(2);
    QCOMPARE(rig.rows(), QList<QVariantList>({row(editor, "a.txt", 15)}));
}

void TestSampler::unreadableWindowsWriteNothing()
{
    Rig rig;
    rig.fake.show(editor, "a.txt");
    rig.tick();
    // A titled window whose executable cannot be read, and an untitled one.
    rig.fake.show(QString(), "secret");
    rig.tick();
    rig.fake.show(browser, QString());
    rig.tick();
    rig.fake.show(editor, "a.txt");
    rig.tick();
    QCOMPARE(rig.rows(), QList<QVariantList>({row(editor, "a.txt", 10)}));
}

void TestSampler::failedInsertIsRecoveredByTheNextChange()
{
    Rig rig;
    rig.fake.show(editor, "a.txt");
    rig.tick();
    QVERIFY(rig.log->exec("ALTER TABLE ApplicationLog RENAME TO Parked"));
    rig.fake.show(editor, "b.txt");
    rig.tick(2); // both fail: no table
    QVERIFY(rig.log->exec("ALTER TABLE Parked RENAME TO ApplicationLog"));
    // The stretch gets its row at the next tick, with the time it was owed,
    // and goes on growing; nothing is remembered as row 0.
    rig.tick(3);
    QCOMPARE(rig.rows(), QList<QVariantList>({row(editor, "a.txt", 5), row(editor, "b.txt", 25)}));
    rig.fake.show(editor, "c.txt");
    rig.tick(2);
    QCOMPARE(rig.rows(),
             QList<QVariantList>({row(editor, "a.txt", 5), row(editor, "b.txt", 25), row(editor, "c.txt", 10)}));
    // Dated when the stretch began, not when the log took it.
    QVERIFY(rig.log->value("SELECT COUNT(*) FROM ApplicationLog WHERE AppTitle = 'b.txt' AND AppDate <= "
                           "datetime('now', 'localtime')").toInt() == 1);
}

void TestSampler::restartInsertsAgain()
{
    Rig rig;
    rig.fake.show(editor, "a.txt");
    rig.tick(2);
    rig.restart();
    rig.tick(2);
    QCOMPARE(rig.rows(), QList<QVariantList>({row(editor, "a.txt", 10), row(editor, "a.txt", 10)}));
}

void TestSampler::longTitlesAreCut()
{
    Rig rig;
    const QString title = QString(2000, QLatin1Char('t'));
    rig.fake.show(editor, truncateForLog(title));
    rig.tick(2);
    const auto rows = rig.rows();
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0][1].toString(), title.left(1023));
    QCOMPARE(rows[0][2].toInt(), 10);

    // A cut never leaves half of a surrogate pair behind.
    const QString emoji = QString(1022, QLatin1Char('x')) + QString::fromUtf8("\xF0\x9F\x98\x80") + "tail";
    QCOMPARE(truncateForLog(emoji), QString(1022, QLatin1Char('x')));
    const QString fits = QString(1021, QLatin1Char('x')) + QString::fromUtf8("\xF0\x9F\x98\x80");
    QCOMPARE(truncateForLog(fits), fits);
}

void TestSampler::stampsLocalTime()
{
    Rig rig;
    rig.fake.show(editor, "a.txt");
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    rig.tick();
    const QDateTime after = QDateTime::currentDateTime().addSecs(1);
    const QDateTime stamped =
        QDateTime::fromString(rig.log->value("SELECT AppDate FROM ApplicationLog").toString(), "yyyy-MM-dd HH:mm:ss");
    QVERIFY(stamped.isValid());
    QVERIFY(before <= stamped && stamped <= after);
}

void TestSampler::waylandSessionRecordsNothing()
{
    qputenv("WAYLAND_DISPLAY", "wayland-0");
    std::unique_ptr<ForegroundWindowSource> source(createSystemForegroundWindowSource());
    qunsetenv("WAYLAND_DISPLAY");
    QVERIFY(!source->isAvailable());
    QVERIFY(!source->sample());
}

QTEST_MAIN(TestSampler)
#include "tst_sampler.moc"
