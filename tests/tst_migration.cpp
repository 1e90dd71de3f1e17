// The log's schema moves forward without touching what older kestos read,
// and a log that cannot move keeps working as it is.
#include "logdatabase.h"
#include "logwriter.h"
#include "schema.h"
#include "testsupport.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

using namespace TestSupport;

namespace {

// The base tables as the first kesto made them, with a row each.
QString baseSchema(LogFile &log)
{
    QStringList sql;
    for (const auto &row : log.rows("SELECT sql FROM sqlite_master WHERE name IN ('ApplicationLog', 'ActivityLog', "
                                    "'Options', 'ActivityLogByDate', 'ApplicationLogByDate') ORDER BY name"))
        sql << row[0].toString();
    return sql.join('\n');
}

// A log at an earlier version, as that kesto's template made it.
void buildAt(const QString &path, int version)
{
    const QString name = QStringLiteral("build-%1").arg(version);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QVERIFY(Schema::apply(db));
        for (int v = 1; v <= version; ++v)
            for (const QString &statement : Schema::migration(v))
                QVERIFY2(QSqlQuery(db).exec(statement), qPrintable(statement));
        QVERIFY(QSqlQuery(db).exec(QStringLiteral("PRAGMA user_version = %1").arg(version)));
        QVERIFY(QSqlQuery(db).exec("INSERT INTO ActivityLog VALUES ('kept', '2026-01-01 10:00:00')"));
        QVERIFY(QSqlQuery(db).exec("INSERT INTO ApplicationLog VALUES ('/usr/bin/x', 'kept', '2026-01-01 10:00:00', 15)"));
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

Schema::Migrated migrateVia(LogFile &log)
{
    QSqlDatabase db = log.db();
    return Schema::migrate(db);
}

} // namespace

class TestMigration : public QObject
{
    Q_OBJECT

private slots:
    void everyEarlierVersion();
    void whatEachVersionBrings_data();
    void whatEachVersionBrings();
    void logsThatCannotMove();
    void lockedLogKeepsRecording();
};

void TestMigration::everyEarlierVersion()
{
    QVERIFY(Schema::latestVersion() >= 1);
    for (int version = 0; version < Schema::latestVersion(); ++version) {
        Sandbox box;
        const QString path = box.home() + "/kesto.db";
        buildAt(path, version);
        LogFile log(path);
        const QString before = baseSchema(log);
        QCOMPARE(migrateVia(log), Schema::Migrated::Done);
        QCOMPARE(log.value("PRAGMA user_version").toInt(), Schema::latestVersion());
        QCOMPARE(migrateVia(log), Schema::Migrated::Current);
        // What older kestos read is as it was, rows and all.
        QCOMPARE(baseSchema(log), before);
        QCOMPARE(log.value("SELECT ActText FROM ActivityLog").toString(), QStringLiteral("kept"));
        QCOMPARE(log.value("SELECT Duration FROM ApplicationLog").toInt(), 15);
        QCOMPARE(log.value("PRAGMA integrity_check").toString(), QStringLiteral("ok"));
        // Private browsing windows keep their titles from the first start on.
        QCOMPARE(log.value("SELECT COUNT(*) FROM Rules WHERE Action = 'hide-title'").toInt(), 3);
    }
    // The template is born at the latest version.
    Sandbox box;
    box.copyTemplate();
    LogFile t(box.work() + "/template.db");
    QCOMPARE(t.value("PRAGMA user_version").toInt(), Schema::latestVersion());
}

void TestMigration::whatEachVersionBrings_data()
{
    QTest::addColumn<int>("version");
    QTest::addColumn<QStringList>("objects");
    QTest::newRow("settings") << 1 << QStringList{"Settings"};
    QTest::newRow("absences") << 2 << QStringList{"Absences", "AbsencesByStart"};
    QTest::newRow("rules") << 3 << QStringList{"Rules"};
    QTest::newRow("rollup") << 4
                            << QStringList{"RollupNames", "RollupPrograms", "RollupJoins", "RollupOdd", "RollupStale",
                                           "PromptIntervals", "RollupProgramAdded",
                                           "RollupProgramChanged", "RollupProgramDeleted", "RollupAnswerAdded",
                                           "RollupAnswerChanged", "RollupAnswerDeleted", "RollupAbsenceAdded",
                                           "RollupAbsenceDeleted", "RollupIntervalAdded"};
}

void TestMigration::whatEachVersionBrings()
{
    QFETCH(int, version);
    QFETCH(QStringList, objects);
    Sandbox box;
    const QString path = box.home() + "/kesto.db";
    buildAt(path, version - 1);
    LogFile log(path);
    const QString count = "SELECT COUNT(*) FROM sqlite_master WHERE name IN ('" + objects.join("', '") + "')";
    QCOMPARE(log.value(count).toInt(), 0);
    QCOMPARE(migrateVia(log), Schema::Migrated::Done);
    QCOMPARE(log.value(count).toInt(), int(objects.size()));
    // What an older kesto writes still goes in, whatever the new objects do
    // on its way (the rollup's triggers are armed here).
    QVERIFY(log.exec("INSERT OR REPLACE INTO Settings (Name, Value) VALUES ('rollupUntil', '2026-06-01')"));
    for (const char *sql : {"INSERT INTO ApplicationLog VALUES ('/usr/bin/y', 'old', '2026-01-02 10:00:00', 5)",
                            "UPDATE ApplicationLog SET Duration = Duration + 5",
                            "INSERT INTO ActivityLog VALUES ('old', '2026-01-02 10:00:00')",
                            "UPDATE ActivityLog SET ActText = 'older'", "DELETE FROM ActivityLog",
                            "DELETE FROM ApplicationLog WHERE AppTitle = 'kept'"})
        QVERIFY2(log.exec(sql), sql);
    QCOMPARE(log.value("SELECT SUM(Duration) FROM ApplicationLog").toInt(), 10);
}

void TestMigration::logsThatCannotMove()
{
    Sandbox box;
    const QString path = box.home() + "/kesto.db";
    buildAt(path, 0);
    const QByteArray before = fileBytes(path);
    {
        // Opened read-only, as a file kesto may not write is.
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "ro");
        db.setDatabaseName(path);
        db.setConnectOptions("QSQLITE_OPEN_READONLY");
        QVERIFY(db.open());
        QCOMPARE(Schema::migrate(db), Schema::Migrated::Failed);
        QCOMPARE(LogDatabase::setting(db, "Anything", 7).toInt(), 7);
        db.close();
    }
    QSqlDatabase::removeDatabase("ro");
    QCOMPARE(fileBytes(path), before);
    {
        // A later kesto's log is left as it is.
        LogFile log(path);
        QVERIFY(log.exec("PRAGMA user_version = 9999"));
        QCOMPARE(migrateVia(log), Schema::Migrated::Newer);
        QCOMPARE(log.value("PRAGMA user_version").toInt(), 9999);
    }
}

void TestMigration::lockedLogKeepsRecording()
{
    // Another program holds the log at start: kesto runs on the old schema
    // with the defaults, records, and moves the log at its next start.
    Harness h;
    h.window.reset();
    releaseDefaultConnection();
    // A log of the first kesto: none of what later versions brought.
    for (const QVariantList &trigger : h.log->rows("SELECT name FROM sqlite_master WHERE type = 'trigger'"))
        QVERIFY(h.log->exec("DROP TRIGGER " + trigger[0].toString()));
    QVERIFY(h.log->exec("DROP TABLE Settings"));
    QVERIFY(h.log->exec("PRAGMA user_version = 0"));
    {
        LogFile locker(h.box.logPath());
        QVERIFY(locker.exec("BEGIN EXCLUSIVE"));
        h.restart();
        QVERIFY(locker.exec("COMMIT"));
    }
    QCOMPARE(h.log->value("PRAGMA user_version").toInt(), 0);
    h.fake.show("/usr/bin/editor", "a.txt");
    h.invoke("OnTimerPrograms");
    QCOMPARE(h.log->value("SELECT COUNT(*) FROM ApplicationLog").toInt(), 1);
    // Time away has no table here: it is dropped, and program time goes on.
    h.fake.idle = 3600;
    h.invoke("OnTimerPrograms");
    h.fake.idle = 0;
    for (int i = 0; i < 3; ++i)
        h.invoke("OnTimerPrograms");
    QCOMPARE(h.log->value("SELECT SUM(Duration) FROM ApplicationLog").toInt(), 15);
    QCOMPARE(h.window->findChild<LogWriter *>()->finish(), QString());
    h.restart();
    QCOMPARE(h.log->value("PRAGMA user_version").toInt(), Schema::latestVersion());
}

QTEST_MAIN(TestMigration)
#include "tst_migration.moc"
