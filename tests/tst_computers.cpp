// One history across computers: each kesto publishes its log into a shared
// folder and reads the others' logs from it.
#include "computersdialog.h"
#include "searchdialog.h"
#include "desktoptools.h"
#include "forgetting.h"
#include "peerlogs.h"
#include "publisher.h"
#include "reportrunner.h"
#include "reachability.h"
#include "recordcontrol.h"
#include "sampler.h"
#include "syncsettings.h"
#include "testsupport.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSqlQuery>
#include <QTest>

using namespace TestSupport;

namespace {

// A folder's files and their bytes.
QMap<QString, QByteArray> contents(const QString &folder)
{
    QMap<QString, QByteArray> files;
    const QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
        files.insert(name, fileBytes(dir.filePath(name)));
    return files;
}

QString settingIn(const QString &path, const QString &name)
{
    LogFile file(path);
    return file.value("SELECT Value FROM Settings WHERE Name = ?", {name}).toString();
}

// A log published by another computer, with one answer.
void publishOther(const QString &folder, const QString &name, const QString &id, const QString &answer,
                  const QString &date)
{
    const QString log = folder + "/../" + name + "-own.db";
    QVERIFY(QFile::copy(builtTemplatePath(), log));
    {
        LogFile file(log);
        QVERIFY(file.exec("INSERT INTO ActivityLog (ActText, ActDate) VALUES (?, ?)", {answer, date}));
        QVERIFY(file.exec("INSERT INTO ApplicationLog (AppFileName, AppTitle, AppDate, Duration) VALUES "
                          "('/usr/bin/player', 'video', ?, 600)",
                          {date}));
    }
    QCOMPARE(Publisher::snapshot(log, {folder, name, id}), QString());
}

// Whatever a file holds, as another program would have left it.
void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// The activity log over this computer's log, with the sync folder's choice.
struct Report
{
    explicit Report(const QString &log)
        : file(log)
    {
    }
    QStringList show(int view, bool all)
    {
        dialog.findChild<QDateEdit *>("dpLogIni")->setDate(QDate(2026, 2, 1));
        dialog.findChild<QDateEdit *>("dpLogFin")->setDate(QDate(2026, 2, 3));
        dialog.findChild<QComboBox *>("cmbView")->setCurrentIndex(view);
        if (!connected)
            dialog.setDatabase(file.db());
        connected = true;
        dialog.findChild<QComboBox *>("cmbComputers")->setCurrentIndex(all ? 1 : 0);
        dialog.findChild<QPushButton *>("cmdSearch")->click();
        [&] { QTRY_VERIFY_WITH_TIMEOUT(!dialog.isSearching(), 30000); }();
        // Headers, then each row's cells.
        QAbstractItemModel *model = dialog.findChild<QAbstractItemView *>("tvwItems")->model();
        QStringList headers;
        for (int c = 0; c < model->columnCount(); ++c)
            headers << model->headerData(c, Qt::Horizontal).toString();
        QStringList out{headers.join('|')};
        for (int d = 0; d < model->rowCount(); ++d) {
            const QModelIndex day = model->index(d, 0);
            for (int r = 0; r < model->rowCount(day); ++r) {
                QStringList cells;
                for (int c = 0; c < model->columnCount(); ++c)
                    cells << model->index(r, c, day).data().toString();
                out << cells.join('|');
            }
        }
        return out;
    }
    QString notice() const
    {
        const QLabel *label = dialog.findChild<QLabel *>("lblComputers");
        return label->isHidden() ? QString() : label->text();
    }
    LogFile file;
    SearchDialog dialog;
    bool connected = false;
};

struct Computer : Harness
{
    QString folder = box.home() + "/Sync";
    Computer() { QDir().mkpath(folder); }
    void answer(const QString &text)
    {
        invoke("OnTimerKESTO");
        widget<QComboBox>("cbWhat")->lineEdit()->setText(text);
        invoke("cmdSave_Click");
    }
    void sync(const QStringList &arguments)
    {
        QMetaObject::invokeMethod(window.get(), "setSyncFolder", Q_ARG(QStringList, arguments));
    }
    QString published(const QString &name) const { return folder + "/" + name + ".kesto.db"; }
};

} // namespace

class TestComputers : public QObject
{
    Q_OBJECT

private slots:
    void publishesItsOwnFileOnly();
    void readsAllComputers();
    void readsTenOtherComputers();
    void dialogRefusesATakenName();
    void requestsCarryTheirArguments_data();
    void requestsCarryTheirArguments();
    void commandLineWithoutKesto();
};

void TestComputers::publishesItsOwnFileOnly()
{
    Computer c;
    publishOther(c.folder, "desk", "desk-id", "on the desk", "2026-02-02 10:00:00");
    QFile notes(c.folder + "/notes.txt");
    QVERIFY(notes.open(QIODevice::WriteOnly));
    notes.write("not kesto's");
    notes.close();
    const auto others = contents(c.folder);

    QVERIFY(QFile::setPermissions(c.folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                                                | QFile::ExeGroup));
    const auto folderMode = QFile::permissions(c.folder);
    c.answer("first answer");
    MessageBoxCloser closer;
    c.sync({c.folder, "laptop"});
    const QString file = c.published("laptop");
    QTRY_VERIFY(QFileInfo::exists(file));
    // Its owner's alone (the User bits only repeat the owner's for the owner).
    QCOMPARE(QFile::permissions(file) & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
             QFile::ReadOwner | QFile::WriteOwner);
    const QString id = c.log->value("SELECT Value FROM Settings WHERE Name = 'ComputerId'").toString();
    QVERIFY(!id.isEmpty());
    QCOMPARE(c.log->value("SELECT Value FROM Settings WHERE Name = 'SyncFolder'").toString(), c.folder);
    {
        LogFile copy(file);
        QCOMPARE(copy.value("SELECT ActText FROM ActivityLog").toString(), QStringLiteral("first answer"));
        QCOMPARE(copy.value("PRAGMA journal_mode").toString(), QStringLiteral("delete"));
        QCOMPARE(copy.value("SELECT group_concat(Name) FROM (SELECT Name FROM Settings ORDER BY Name)").toString(),
                 QStringLiteral("ComputerId,ComputerName,PublishedAt,ReadableBy"));
        QCOMPARE(copy.value("SELECT COUNT(*) FROM Rules").toInt(), 0);
    }
    // Neither the folder's path nor the rules' patterns linger in the file.
    QVERIFY(c.log->value("SELECT COUNT(*) FROM Rules WHERE Title = '*Private Browsing*'").toInt() == 1);
    for (const QByteArray &kept : {c.folder.toUtf8(), QByteArray("Private Browsing")})
        QVERIFY2(!fileBytes(file).contains(kept), kept.constData());
    QCOMPARE(settingIn(file, "ComputerId"), id);
    QCOMPARE(settingIn(file, "ComputerName"), QStringLiteral("laptop"));
    // Nothing else in the folder changed, and no temporary file is left.
    auto now = contents(c.folder);
    now.remove("laptop.kesto.db");
    QCOMPARE(now, others);
    QCOMPARE(QFile::permissions(c.folder), folderMode);

    // Every 15 minutes while kesto runs.
    QTimer *every = c.timer("timerPublish");
    QVERIFY(every && every->isActive());
    QCOMPARE(every->interval(), 15 * 60 * 1000);
    c.answer("between");
    every->start(50);
    QTRY_COMPARE(LogFile(file).value("SELECT COUNT(*) FROM ActivityLog").toInt(), 2);
    every->stop();

    // At exit the last answer goes out with the snapshot.
    c.answer("last answer");
    QMetaObject::invokeMethod(c.window.get(), "keepWaitingAnswers");
    {
        LogFile copy(file);
        QCOMPARE(copy.value("SELECT group_concat(ActText, '|') FROM ActivityLog").toString(),
                 QStringLiteral("first answer|between|last answer"));
    }

    // What is forgotten leaves the folder's copy at once, not in 15 minutes.
    c.answer("forget me");
    c.invoke("publishNow");
    QTRY_VERIFY(fileBytes(file).contains("forget me"));
    {
        MessageBoxCloser closer;
        Forgetting what;
        what.programs = false;
        what.text = QStringLiteral("forget me");
        const QDateTime now = c.window->findChild<Sampler *>()->now();
        what.from = now.addDays(-1);
        what.to = now.addSecs(60);
        QVERIFY(c.window->findChild<RecordControl *>()->forget(what, nullptr));
    }
    QTRY_VERIFY(!fileBytes(file).contains("forget me"));
    QCOMPARE(LogFile(file).value("SELECT group_concat(ActText, '|') FROM ActivityLog").toString(),
             QStringLiteral("first answer|between|last answer"));

    // Another computer's name is refused; the file stays the other's.
    c.sync({c.folder, "desk"});
    QCOMPARE(contents(c.folder).value("desk.kesto.db"), others.value("desk.kesto.db"));
    QCOMPARE(settingIn(c.box.logPath(), "ComputerName"), QStringLiteral("laptop"));
    // A new name of its own: the file under the old name goes.
    c.sync({c.folder, "laptop-2"});
    QTRY_VERIFY(QFileInfo::exists(c.published("laptop-2")));
    QTRY_VERIFY(!QFileInfo::exists(file));
    QCOMPARE(settingIn(c.published("laptop-2"), "ComputerId"), id);
    // Turned off: nothing is published any more, and what was stays.
    c.sync({QString()});
    const QByteArray last = fileBytes(c.published("laptop-2"));
    c.answer("not published");
    c.invoke("publishNow");
    QMetaObject::invokeMethod(c.window.get(), "keepWaitingAnswers");
    QTest::qWait(200);
    QCOMPARE(fileBytes(c.published("laptop-2")), last);
    QVERIFY(c.log->value("SELECT Value FROM Settings WHERE Name = 'SyncFolder'").toString().isEmpty());
}

void TestComputers::readsAllComputers()
{
    Sandbox box;
    box.copyTemplate();
    const QString folder = box.home() + "/Sync";
    QDir().mkpath(folder);
    QVERIFY(QFile::copy(box.work() + "/template.db", box.logPath()));
    {
        LogFile log(box.logPath());
        for (const QString &sql : {"INSERT INTO ActivityLog VALUES ('typing', '2026-02-02 10:00:00')",
                                   "INSERT INTO ActivityLog VALUES ('mail', '2026-02-02 09:00:00')",
                                   "INSERT INTO ApplicationLog VALUES ('/usr/bin/editor', 'code', '2026-02-02 10:00:00', 600)"})
            QVERIFY(log.exec(sql));
        QVERIFY(log.exec("INSERT INTO Settings VALUES ('SyncFolder', ?), ('ComputerName', 'laptop'), "
                         "('ComputerId', 'laptop-id')",
                         {folder}));
        // This computer's category rules sort the other computers' time too.
        QVERIFY(log.exec("INSERT INTO Rules (Position, Program, Action, Category) VALUES (10, 'player', 'category', 'Media')"));
    }
    // This computer's own copy, another computer's, and what else a shared
    // folder may hold.
    QCOMPARE(Publisher::snapshot(box.logPath(), {folder, "laptop", "laptop-id"}), QString());
    publishOther(folder, "desk", "desk-id", "on the desk", "2026-02-02 10:00:00");
    const QString desk = folder + "/desk.kesto.db";
    const QByteArray deskBytes = fileBytes(desk);
    writeFile(folder + "/cut.kesto.db", deskBytes.left(deskBytes.size() / 2));
    // Damaged where only reading every page finds it: the program rows' page.
    QByteArray damaged = deskBytes;
    const int page = LogFile(desk).value("PRAGMA page_size").toInt();
    const int programs = LogFile(desk).value("SELECT rootpage FROM sqlite_master WHERE name = 'ApplicationLog'").toInt();
    for (int i = (programs - 1) * page; i < programs * page; i += 7)
        damaged[i] = char(0x5a);
    writeFile(folder + "/bad.kesto.db", damaged);
    writeFile(folder + "/junk.kesto.db", "not a database at all\n");
    writeFile(folder + "/desk.kesto.sync-conflict-20260202-101500-ABCDEFG.db", deskBytes);
    writeFile(folder + "/desk (Mia's conflicted copy 2026-02-02).kesto.db", deskBytes);
    QVERIFY(QFile::copy(desk, folder + "/desk-old.kesto.db"));
    QVERIFY(LogFile(folder + "/desk-old.kesto.db").exec("UPDATE Settings SET Value = '2026-01-01 00:00:00' WHERE Name = 'PublishedAt'"));
    QVERIFY(QFile::copy(desk, folder + "/future.kesto.db"));
    QVERIFY(LogFile(folder + "/future.kesto.db").exec("UPDATE Settings SET Value = 2 WHERE Name = 'ReadableBy'"));
    QVERIFY(LogFile(folder + "/notes.kesto.db").exec("CREATE TABLE Notes (Text)"));
    const auto before = contents(folder);

    Report r(box.logPath());
    const QString ten = QLocale::system().toString(QTime(10, 0), QLocale::ShortFormat);
    const QString nine = QLocale::system().toString(QTime(9, 0), QLocale::ShortFormat);
    QCOMPARE(r.show(0, true), QStringList({"Time|Activity|Computer", ten + "|on the desk|desk", ten + "|typing|laptop",
                                           nine + "|mail|laptop"}));
    const QString notice = r.notice();
    for (const QString &file : {"bad.kesto.db (damaged)", "cut.kesto.db (incomplete or damaged)",
                                "desk-old.kesto.db (an older copy of desk's log)",
                                "desk.kesto.sync-conflict-20260202-101500-ABCDEFG.db (a sync conflict copy)",
                                "desk (Mia's conflicted copy 2026-02-02).kesto.db (a sync conflict copy)",
                                "future.kesto.db (from a newer kesto)", "junk.kesto.db (not a kesto log)",
                                "notes.kesto.db (not a log kesto published)"})
        QVERIFY2(notice.contains(file), qPrintable(notice));
    QVERIFY2(!notice.contains("laptop") && !notice.contains("desk.kesto.db ("), qPrintable(notice));
    QCOMPARE(r.show(1, true), QStringList({"#|Activity|Computer", "1|mail|laptop", "1|on the desk|desk", "1|typing|laptop"}));
    // Time on two computers at once counts on each.
    QCOMPARE(r.show(2, true), QStringList({"Time|Program|Program title|Category|Computer",
                                           "00:10:00|editor|code||laptop", "00:10:00|player|video|Media|desk"}));
    // Only this computer's rows can be forgotten: the others' logs are theirs.
    r.dialog.setForgetter([](const Forgetting &) { return false; });
    auto *tree = r.dialog.findChild<QAbstractItemView *>("tvwItems");
    const auto *forget = r.dialog.findChild<QPushButton *>("cmdForget");
    const QModelIndex day = tree->model()->index(0, 0);
    QStringList offered;
    for (int row = 0; row < tree->model()->rowCount(day); ++row) {
        tree->setCurrentIndex(tree->model()->index(row, 0, day));
        offered << tree->model()->index(row, 4, day).data().toString() + (forget->isEnabled() ? "+" : "-");
    }
    tree->setCurrentIndex(day);
    offered << (forget->isEnabled() ? "day+" : "day-");
    QCOMPARE(offered, QStringList({"laptop+", "desk-", "day+"}));
    {
        FileDialogAnswer answer(box.work() + "/programs.csv");
        emit r.dialog.findChild<QLabel *>("llCSV")->linkActivated("#");
    }
    QCOMPARE(fileBytes(box.work() + "/programs.csv"),
             QByteArray("2026-02-02,600,\"/usr/bin/editor\",\"code\",\"\",\"laptop\"\n"
                        "2026-02-02,600,\"/usr/bin/player\",\"video\",\"Media\",\"desk\"\n"));
    QCOMPARE(r.show(0, false), QStringList({"Time|Activity", ten + "|typing", nine + "|mail"}));
    QVERIFY(r.notice().isEmpty());
    r.show(0, true);
    {
        FileDialogAnswer answer(box.work() + "/all.csv");
        emit r.dialog.findChild<QLabel *>("llCSV")->linkActivated("#");
    }
    QCOMPARE(fileBytes(box.work() + "/all.csv"),
             QByteArray("2026-02-02 10:00:00,\"on the desk\",\"desk\"\n2026-02-02 10:00:00,\"typing\",\"laptop\"\n"
                        "2026-02-02 09:00:00,\"mail\",\"laptop\"\n"));
    QVERIFY(r.notice().contains("future.kesto.db"));
    // Nothing in the folder was written, not even a journal beside a file.
    QCOMPARE(contents(folder), before);
}

void TestComputers::readsTenOtherComputers()
{
    Sandbox box;
    const QString folder = box.home() + "/Sync";
    QDir().mkpath(folder);
    for (int i = 0; i < 11; ++i)
        publishOther(folder, QString("pc%1").arg(i, 2, 10, QChar('0')), QString("id-%1").arg(i), "x", "2026-02-02 10:00:00");
    QVERIFY(QFile::copy(builtTemplatePath(), box.logPath()));
    ReportRunner runner(box.logPath(), QString(), {true, folder, "own-id", "own"});
    QCOMPARE(runner.computers().size(), 11);
    QVERIFY2(runner.notice().contains("more than 10 other computers"), qPrintable(runner.notice()));
    int answers = 0;
    std::atomic<bool> stop{false};
    QVERIFY(runner.run(
        0, QDate(2026, 2, 2), QDate(2026, 2, 2),
        [&](QSqlQuery &query) {
            while (query.next())
                ++answers;
            return true;
        },
        [] {}, stop));
    QCOMPARE(answers, 10);
}

void TestComputers::dialogRefusesATakenName()
{
    Sandbox box;
    const QString folder = box.home() + "/Sync";
    QDir().mkpath(folder);
    publishOther(folder, "desk", "desk-id", "x", "2026-02-02 10:00:00");
    struct Case
    {
        QString folder;
        QString name;
        bool accepted;
    };
    const QList<Case> cases = {
        {folder, "desk", false},             // another computer's
        {folder, "laptop", true},            // free
        {box.home() + "/missing", "laptop", false},
        {folder, "lap/top", false},          // names a file
        {folder, "CON", false},
        {QString(), "anything", true},       // off
    };
    for (const Case &k : cases) {
        ComputersDialog dialog(QString(), "laptop", "own-id");
        dialog.findChild<QLineEdit *>("txtFolder")->setText(k.folder);
        dialog.findChild<QLineEdit *>("txtName")->setText(k.name);
        MessageBoxCloser closer;
        QTimer::singleShot(0, &dialog, [&dialog] {
            dialog.findChild<QDialogButtonBox *>("buttonBox")->button(QDialogButtonBox::Ok)->click();
            // A refused one stays open; the test ends it.
            QTimer::singleShot(300, &dialog, &QDialog::reject);
        });
        const int result = dialog.exec();
        QVERIFY2((result == QDialog::Accepted) == k.accepted, qPrintable(k.folder + " " + k.name));
        QCOMPARE(closer.seen.isEmpty(), k.accepted);
    }
    // The own file of a computer is no obstacle to it.
    QCOMPARE(SyncSettings::problem(folder, "desk", "desk-id"), QString());
}

void TestComputers::requestsCarryTheirArguments_data()
{
    QTest::addColumn<QStringList>("parts");
    QTest::newRow("plain word") << QStringList{"publish"};
    QTest::newRow("folder and name") << QStringList{"sync-folder", "/home/u/My Sync", "Mia's laptop"};
    QTest::newRow("turned off") << QStringList{"sync-folder", ""};
    QTest::newRow("odd characters") << QStringList{"sync-folder", "/x/=%20 %/ü東京\n", "a b"};
    QTest::newRow("number") << QStringList{"pause", "15"};
}

void TestComputers::requestsCarryTheirArguments()
{
    QFETCH(QStringList, parts);
    const QString request = Reachability::joinRequest(parts);
    QVERIFY(!request.contains('\n'));
    QCOMPARE(Reachability::splitRequest(request), parts);
}

void TestComputers::commandLineWithoutKesto()
{
    Sandbox box;
    box.copyTemplate();
    const QString folder = box.home() + "/Sync";
    QDir().mkpath(folder);
    const auto kesto = [&](const QStringList &args, QString *err = nullptr) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", box.home());
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(box.work());
        p.start(DesktopTools::binDir() + "/kesto", args);
        p.waitForFinished(20000);
        if (err)
            *err = QString::fromUtf8(p.readAllStandardError());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    };
    QString err;
    QCOMPARE(kesto({"--publish"}, &err), 1);
    QVERIFY(err.contains("no log yet"));
    QVERIFY(QFile::copy(box.work() + "/template.db", box.logPath()));
    QCOMPARE(kesto({"--computer-name", "x"}), 2);
    QCOMPARE(kesto({"--sync-folder", box.home() + "/missing"}, &err), 1);
    QVERIFY(err.contains("missing"));
    // Relative to where the command runs, as a path on a command line is.
    QCOMPARE(kesto({"--sync-folder", "../" + QFileInfo(box.home()).fileName() + "/Sync", "--computer-name", "box"}), 0);
    QCOMPARE(settingIn(box.logPath(), "SyncFolder"), QFileInfo(folder).absoluteFilePath());
    QVERIFY(QFileInfo::exists(folder + "/box.kesto.db"));
    {
        LogFile log(box.logPath());
        QVERIFY(log.exec("INSERT INTO ActivityLog (ActText, ActDate) VALUES ('late', '2026-02-02 10:00:00')"));
    }
    QCOMPARE(kesto({"--publish"}), 0);
    QCOMPARE(LogFile(folder + "/box.kesto.db").value("SELECT ActText FROM ActivityLog").toString(), QStringLiteral("late"));
    QCOMPARE(kesto({"--sync-folder", ""}), 0);
    QCOMPARE(settingIn(box.logPath(), "SyncFolder"), QString());
    QCOMPARE(kesto({"--publish"}), 1);
}

QTEST_MAIN(TestComputers)
#include "tst_computers.moc"
