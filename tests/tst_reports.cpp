// The activity log dialog: date ranges, the three views, CSV export.
#include "reportview.h"
#include "searchdialog.h"
#include "testsupport.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLocale>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

using namespace TestSupport;

namespace {

struct Reports
{
    Sandbox box;
    std::unique_ptr<LogFile> log;
    std::unique_ptr<SearchDialog> dialog;

    Reports()
    {
        box.copyTemplate();
        QFile::copy(box.work() + "/template.db", box.logPath());
        log = std::make_unique<LogFile>(box.logPath());
        dialog = std::make_unique<SearchDialog>();
    }
    void answer(const QString &text, const QString &date)
    {
        QVERIFY(log->exec("INSERT INTO ActivityLog (ActText, ActDate) VALUES (?, ?)", {text, date}));
    }
    void program(const QString &path, const QString &title, const QString &date, const QVariant &duration)
    {
        QVERIFY(log->exec("INSERT INTO ApplicationLog (AppFileName, AppTitle, AppDate, Duration) VALUES (?, ?, ?, ?)",
                          {path, title, date, duration}));
    }
    QTreeWidget *tree() const { return dialog->findChild<QTreeWidget *>("tvwItems"); }
    void show(int view, const QDate &from, const QDate &to)
    {
        dialog->findChild<QDateEdit *>("dpLogIni")->setDate(from);
        dialog->findChild<QDateEdit *>("dpLogFin")->setDate(to);
        dialog->findChild<QComboBox *>("cmbView")->setCurrentIndex(view);
        if (!connected) {
            dialog->setDatabase(log->db());
            connected = true;
        }
        dialog->findChild<QPushButton *>("cmdSearch")->click();
    }
    QStringList headers() const
    {
        QStringList labels;
        for (int i = 0; i < tree()->columnCount(); ++i)
            labels << tree()->headerItem()->text(i);
        return labels;
    }
    // Each day as "caption: cell|cell, cell|cell".
    QStringList days() const
    {
        QStringList out;
        for (int i = 0; i < tree()->topLevelItemCount(); ++i) {
            QTreeWidgetItem *day = tree()->topLevelItem(i);
            QStringList rows;
            for (int r = 0; r < day->childCount(); ++r) {
                QStringList cells;
                for (int c = 0; c < tree()->columnCount(); ++c)
                    cells << day->child(r)->text(c);
                rows << cells.join('|');
            }
            out << day->text(0) + ": " + rows.join(", ");
        }
        return out;
    }
    QByteArray exportCsv(const QString &fileName)
    {
        FileDialogAnswer answer(fileName);
        MessageBoxCloser closer;
        emit dialog->findChild<QLabel *>("llCSV")->linkActivated("#");
        lastBoxes = closer.seen;
        lastDialogShown = answer.shown;
        lastDialogTitle = answer.title;
        lastFilters = answer.filters;
        // Only plain files are read back: /dev/full reads as endless zeros.
        QFile f(fileName);
        if (!QFileInfo(fileName).isFile() || fileName.startsWith("/dev/"))
            return QByteArray();
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    bool connected = false;
    QList<MessageBoxCloser::Seen> lastBoxes;
    bool lastDialogShown = false;
    QString lastDialogTitle;
    QStringList lastFilters;
};

QString longDate(int y, int m, int d)
{
    return QLocale::system().toString(QDate(y, m, d), QLocale::LongFormat);
}

QString shortTime(int h, int m, int s = 0)
{
    return QLocale::system().toString(QTime(h, m, s), QLocale::ShortFormat);
}

// Parses a CSV file with Python's csv module, the way a spreadsheet would.
QList<QStringList> parseCsv(const QString &path)
{
    QProcess python;
    python.start("python3", {"-c", "import csv, json, sys\n"
                                   "with open(sys.argv[1], newline='', encoding='utf-8') as f:\n"
                                   "    print(json.dumps(list(csv.reader(f))))\n",
                             path});
    python.waitForFinished(20000);
    QList<QStringList> records;
    for (const QJsonValue &row : QJsonDocument::fromJson(python.readAllStandardOutput()).array()) {
        QStringList fields;
        for (const QJsonValue &field : row.toArray())
            fields << field.toString();
        records << fields;
    }
    return records;
}

} // namespace

class TestReports : public QObject
{
    Q_OBJECT

private slots:
    void opensOnTheDetailedLastMonth();
    void defaultStartDate();
    void dateRangeIncludesBothEnds();
    void startAfterEndShowsOnlyHeaders();
    void detailedView();
    void groupedView();
    void programsView();
    void durations_data();
    void durations();
    void unparseableDatesShareOneDay();
    void csvPerView();
    void csvQuotingAndEmptyResults();
    void csvReadsBackAsStored();
    void csvFailuresAreReported();
    void languageChange();
};

void TestReports::opensOnTheDetailedLastMonth()
{
    Reports r;
    const QDate today = QDate::currentDate();
    r.answer("recent", QDateTime(today, QTime(0, 0, 1)).toString("yyyy-MM-dd HH:mm:ss"));
    r.answer("too old", QDateTime(today.addMonths(-1).addDays(-1), QTime(12, 0)).toString("yyyy-MM-dd HH:mm:ss"));
    QCOMPARE(r.dialog->findChild<QDateEdit *>("dpLogIni")->date(), today.addMonths(-1));
    QCOMPARE(r.dialog->findChild<QDateEdit *>("dpLogFin")->date(), today);
    QComboBox *views = r.dialog->findChild<QComboBox *>("cmbView");
    QCOMPARE(views->count(), 3);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(views->itemData(i, Qt::UserRole).toInt(), i);
    QCOMPARE(views->itemText(1), QStringLiteral("Activities, Group by day/action"));
    r.dialog->setDatabase(r.log->db());
    QCOMPARE(r.headers(), QStringList({"Time", "Activity"}));
    QCOMPARE(r.days(), QStringList{QLocale::system().toString(today, QLocale::LongFormat) + ": " + shortTime(0, 0, 1)
                                   + "|recent"});
    QCOMPARE(r.dialog->windowTitle(), QStringLiteral("Activity Log"));
    QVERIFY(!r.dialog->windowIcon().isNull());
}

void TestReports::defaultStartDate()
{
    QCOMPARE(ReportView::defaultStartDate(QDate(2026, 3, 31)), QDate(2026, 2, 28));
    QCOMPARE(ReportView::defaultStartDate(QDate(2028, 3, 31)), QDate(2028, 2, 29));
    QCOMPARE(ReportView::defaultStartDate(QDate(2026, 5, 31)), QDate(2026, 4, 30));
    QCOMPARE(ReportView::defaultStartDate(QDate(2026, 1, 15)), QDate(2025, 12, 15));
}

void TestReports::dateRangeIncludesBothEnds()
{
    Reports r;
    r.answer("first second", "2026-02-01 00:00:00");
    r.answer("last second", "2026-02-03 23:59:59");
    r.answer("next day", "2026-02-04 00:00:00");
    r.answer("day before", "2026-01-31 23:59:59");
    r.program("/bin/a", "first", "2026-02-01 00:00:00", 5);
    r.program("/bin/a", "last", "2026-02-03 23:59:59", 5);
    r.program("/bin/a", "next", "2026-02-04 00:00:00", 5);
    r.show(0, QDate(2026, 2, 1), QDate(2026, 2, 3));
    QCOMPARE(r.days(), QStringList({longDate(2026, 2, 3) + ": " + shortTime(23, 59, 59) + "|last second",
                                    longDate(2026, 2, 1) + ": " + shortTime(0, 0) + "|first second"}));
    r.show(2, QDate(2026, 2, 1), QDate(2026, 2, 3));
    QCOMPARE(r.days(), QStringList({longDate(2026, 2, 3) + ": 00:00:05|a|last",
                                    longDate(2026, 2, 1) + ": 00:00:05|a|first"}));
}

void TestReports::startAfterEndShowsOnlyHeaders()
{
    Reports r;
    r.answer("x", "2026-02-02 10:00:00");
    for (int view : {0, 1, 2}) {
        r.show(view, QDate(2026, 2, 3), QDate(2026, 2, 1));
        QCOMPARE(r.tree()->topLevelItemCount(), 0);
        QCOMPARE(r.headers().size(), view == 2 ? 3 : 2);
    }
}

void TestReports::detailedView()
{
    Reports r;
    r.answer("morning", "2026-02-02 09:15:00");
    r.answer("evening", "2026-02-02 20:30:00");
    r.answer("yesterday", "2026-02-01 11:00:00");
    r.show(0, QDate(2026, 2, 1), QDate(2026, 2, 2));
    QCOMPARE(r.headers(), QStringList({"Time", "Activity"}));
    QCOMPARE(r.days(), QStringList({longDate(2026, 2, 2) + ": " + shortTime(20, 30) + "|evening, " + shortTime(9, 15)
                                        + "|morning",
                                    longDate(2026, 2, 1) + ": " + shortTime(11, 0) + "|yesterday"}));
    for (int i = 0; i < r.tree()->topLevelItemCount(); ++i) {
        QTreeWidgetItem *day = r.tree()->topLevelItem(i);
        QVERIFY(day->isExpanded());
        QVERIFY(day->isFirstColumnSpanned());
        QCOMPARE(day->font(0).weight(), QFont::Bold);
        QVERIFY(!day->child(0)->font(0).bold());
    }
}

void TestReports::groupedView()
{
    Reports r;
    r.answer("mail", "2026-02-02 09:00:00");
    r.answer("code", "2026-02-02 10:00:00");
    r.answer("mail", "2026-02-02 11:00:00");
    r.answer("mail", "2026-02-01 11:00:00");
    r.show(1, QDate(2026, 2, 1), QDate(2026, 2, 2));
    QCOMPARE(r.headers(), QStringList({"#", "Activity"}));
    QCOMPARE(r.days(), QStringList({longDate(2026, 2, 2) + ": 1|code, 2|mail", longDate(2026, 2, 1) + ": 1|mail"}));
}

void TestReports::programsView()
{
    Reports r;
    r.program("/usr/bin/zed", "same", "2026-02-02 09:00:00", 60);
    r.program("/usr/bin/abc", "same", "2026-02-02 10:00:00", 60);
    r.program("/usr/bin/abc", "other", "2026-02-02 10:30:00", 60);
    r.program("/usr/bin/abc", "long", "2026-02-02 11:00:00", 100);
    r.program("/usr/bin/abc", "long", "2026-02-02 12:00:00", 20);
    r.program("/usr/bin/abc", "long", "2026-02-01 12:00:00", 5);
    r.show(2, QDate(2026, 2, 1), QDate(2026, 2, 2));
    QCOMPARE(r.headers(), QStringList({"Time", "Program", "Program title"}));
    // Longest first; ties by path, then title.
    QCOMPARE(r.days(), QStringList({longDate(2026, 2, 2) + ": 00:02:00|abc|long, 00:01:00|abc|other, "
                                                           "00:01:00|abc|same, 00:01:00|zed|same",
                                    longDate(2026, 2, 1) + ": 00:00:05|abc|long"}));
}

void TestReports::durations_data()
{
    QTest::addColumn<QVariant>("seconds");
    QTest::addColumn<QString>("shown");
    QTest::newRow("59 s") << QVariant(59) << "00:00:59";
    QTest::newRow("3599 s") << QVariant(3599) << "00:59:59";
    QTest::newRow("86399 s") << QVariant(86399) << "23:59:59";
    QTest::newRow("24 hours") << QVariant(86400) << "24:00:00";
    QTest::newRow("25 hours") << QVariant(90000) << "25:00:00";
    QTest::newRow("100 hours") << QVariant(360000) << "100:00:00";
    QTest::newRow("null") << QVariant() << "--:--:--";
}

void TestReports::durations()
{
    QFETCH(QVariant, seconds);
    QFETCH(QString, shown);
    QCOMPARE(ReportView::formatDuration(seconds), shown);
    Reports r;
    QVERIFY(r.log->exec("CREATE TABLE Loose (AppFileName TEXT, AppTitle TEXT, AppDate TEXT, Duration INTEGER)"));
    QVERIFY(r.log->exec("DROP TABLE ApplicationLog"));
    QVERIFY(r.log->exec("ALTER TABLE Loose RENAME TO ApplicationLog"));
    r.program("/bin/p", "t", "2026-02-02 09:00:00", seconds);
    r.show(2, QDate(2026, 2, 2), QDate(2026, 2, 2));
    QCOMPARE(r.days(), QStringList{longDate(2026, 2, 2) + ": " + shown + "|p|t"});
}

void TestReports::unparseableDatesShareOneDay()
{
    Reports r;
    r.answer("good", "2026-02-02 09:00:00");
    r.answer("bad one", "2026-02-02 garbage");
    r.answer("bad two", "2026-02-02 nonsense");
    r.show(0, QDate(2026, 2, 1), QDate(2026, 2, 2));
    // Text order puts the broken stamps first; they share one captionless day.
    QCOMPARE(r.tree()->topLevelItemCount(), 2);
    QCOMPARE(r.tree()->topLevelItem(1)->text(0), longDate(2026, 2, 2));
    QTreeWidgetItem *broken = r.tree()->topLevelItem(0);
    QCOMPARE(broken->text(0), QString());
    QCOMPARE(broken->childCount(), 2);
    QCOMPARE(broken->child(0)->text(0), QString());
}

void TestReports::csvPerView()
{
    Reports r;
    r.answer("mail", "2026-02-02 09:00:00");
    r.answer("mail", "2026-02-02 10:00:00");
    r.answer("code, \"tests\"", "2026-02-01 11:00:00");
    r.program("/usr/bin/editor", "notes.txt", "2026-02-02 09:00:00", 65);
    r.program("/usr/bin/editor", "notes.txt", "2026-02-02 10:00:00", 5);
    r.program("/opt/My App/app", "Ünïcode — 東京", "2026-02-01 10:00:00", 5);
    const QString out = r.box.work() + "/export.csv";

    r.show(0, QDate(2026, 2, 1), QDate(2026, 2, 2));
    QCOMPARE(r.exportCsv(out), QByteArray("2026-02-02 10:00:00,\"mail\"\n2026-02-02 09:00:00,\"mail\"\n"
                                          "2026-02-01 11:00:00,\"code, \"\"tests\"\"\"\n"));
    QCOMPARE(r.lastDialogTitle, QStringLiteral("Export CSV"));
    QCOMPARE(r.lastFilters, QStringList{"Comma separated value (*.csv *.txt)"});

    r.show(1, QDate(2026, 2, 1), QDate(2026, 2, 2));
    QCOMPARE(r.exportCsv(out), QByteArray("2026-02-02,2,\"mail\"\n2026-02-01,1,\"code, \"\"tests\"\"\"\n"));

    r.show(2, QDate(2026, 2, 1), QDate(2026, 2, 2));
    QCOMPARE(r.exportCsv(out), QByteArray("2026-02-02,70,\"/usr/bin/editor\",\"notes.txt\"\n"
                                          "2026-02-01,5,\"/opt/My App/app\",\"") + QString::fromUtf8("Ünïcode — 東京").toUtf8()
                 + "\"\n");
    // The controls count, not what the tree shows: no extension is added either.
    r.dialog->findChild<QComboBox *>("cmbView")->setCurrentIndex(1);
    r.dialog->findChild<QDateEdit *>("dpLogIni")->setDate(QDate(2026, 2, 2));
    const QString bare = r.box.work() + "/export";
    QCOMPARE(r.exportCsv(bare), QByteArray("2026-02-02,2,\"mail\"\n"));
}

void TestReports::csvQuotingAndEmptyResults()
{
    Reports r;
    r.answer("\"", "2026-02-02 09:00:00");
    r.answer("two\nlines", "2026-02-02 08:00:00");
    const QString out = r.box.work() + "/export.csv";
    r.show(0, QDate(2026, 2, 2), QDate(2026, 2, 2));
    QCOMPARE(r.exportCsv(out), QByteArray("2026-02-02 09:00:00,\"\"\"\"\n2026-02-02 08:00:00,\"two\nlines\"\n"));

    // An existing file is replaced; an empty result leaves zero bytes.
    r.show(0, QDate(2020, 1, 1), QDate(2020, 1, 2));
    QCOMPARE(r.exportCsv(out), QByteArray());
    QVERIFY(QFile::exists(out));
    QCOMPARE(QFileInfo(out).size(), 0);
    QVERIFY(r.lastBoxes.isEmpty() == false); // the toolkit asked before overwriting

    // Cancelling writes nothing and says nothing.
    QFile::remove(out);
    FileDialogAnswer cancel{QString()};
    MessageBoxCloser closer;
    emit r.dialog->findChild<QLabel *>("llCSV")->linkActivated("#");
    QVERIFY(cancel.shown);
    QVERIFY(closer.seen.isEmpty());
    QVERIFY(!QFile::exists(out));
}

void TestReports::csvReadsBackAsStored()
{
    Reports r;
    const QStringList texts{"plain", "comma, inside", "quote \" inside", "line\nbreak", "Ünïcödé — 東京 😀",
                            "'; DROP TABLE ActivityLog; --", "  blanks  "};
    for (int i = 0; i < texts.size(); ++i)
        r.answer(texts[i], QString("2026-02-02 10:%1:00").arg(i, 2, 10, QLatin1Char('0')));
    r.program("C:\\Program Files\\Tool\\tool.exe", "Título \"citado\", con coma", "2026-02-02 10:00:00", 5);
    r.program("/usr/bin/x", "עברית ← rtl", "2026-02-02 10:00:00", 5);
    const QString out = r.box.work() + "/export.csv";

    r.show(0, QDate(2026, 2, 2), QDate(2026, 2, 2));
    r.exportCsv(out);
    const auto detailed = parseCsv(out);
    const auto stored = r.log->rows("SELECT ActDate, ActText FROM ActivityLog ORDER BY ActDate DESC");
    QCOMPARE(detailed.size(), stored.size());
    for (int i = 0; i < stored.size(); ++i)
        QCOMPARE(detailed[i], QStringList({stored[i][0].toString(), stored[i][1].toString()}));

    r.show(2, QDate(2026, 2, 2), QDate(2026, 2, 2));
    r.exportCsv(out);
    const auto programs = parseCsv(out);
    const auto sums = r.log->rows("SELECT DATE(AppDate), SUM(Duration), AppFileName, AppTitle FROM ApplicationLog "
                                  "GROUP BY 1, 3, 4 ORDER BY 1 DESC, 2 DESC, 3, 4");
    QCOMPARE(programs.size(), sums.size());
    for (int i = 0; i < sums.size(); ++i)
        QCOMPARE(programs[i], QStringList({sums[i][0].toString(), sums[i][1].toString(), sums[i][2].toString(),
                                           sums[i][3].toString()}));
    // The tree shows the program's file name, the file carries the whole path.
    QCOMPARE(r.tree()->topLevelItem(0)->child(0)->text(1), QStringLiteral("x"));
    QCOMPARE(programs[0][2], QStringLiteral("/usr/bin/x"));
}

void TestReports::csvFailuresAreReported()
{
    Reports r;
    r.answer("x", "2026-02-02 10:00:00");
    r.show(0, QDate(2026, 2, 2), QDate(2026, 2, 2));
    // A name below a plain file cannot be created, not even by root.
    QFile blocker(r.box.work() + "/blocker");
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    r.exportCsv(r.box.work() + "/blocker/export.csv");
    QVERIFY(r.lastDialogShown);
    QCOMPARE(r.lastBoxes.size(), 1);
    QCOMPARE(r.lastBoxes[0].title, QStringLiteral("Error"));
    QVERIFY(!r.lastBoxes[0].text.isEmpty());

    // A device that takes no data: the write fails after the open succeeded.
    r.exportCsv("/dev/full");
    QVERIFY(!r.lastBoxes.isEmpty());
    QCOMPARE(r.lastBoxes.last().title, QStringLiteral("Error"));
}

void TestReports::languageChange()
{
    Reports r;
    r.answer("x", "2026-02-02 10:00:00");
    r.show(0, QDate(2026, 2, 2), QDate(2026, 2, 2));
    MarkingTranslator translator({"SearchDialog"});
    QCoreApplication::installTranslator(&translator);
    QCoreApplication::processEvents();
    QCOMPARE(r.dialog->windowTitle(), QStringLiteral("[xx] Activity Log"));
    QCOMPARE(r.dialog->findChild<QLabel *>("label")->text(), QStringLiteral("[xx] Start date:"));
    QCOMPARE(r.dialog->findChild<QLabel *>("label_2")->text(), QStringLiteral("[xx] End date:"));
    QCOMPARE(r.dialog->findChild<QLabel *>("label_3")->text(), QStringLiteral("[xx] View:"));
    QCOMPARE(r.dialog->findChild<QPushButton *>("cmdSearch")->text(), QStringLiteral("[xx] Search"));
    QCOMPARE(r.dialog->findChild<QPushButton *>("cmdClose")->text(), QStringLiteral("[xx] Close"));
    QVERIFY(r.dialog->findChild<QLabel *>("llCSV")->text().startsWith("[xx] "));
    // The view entries keep their language; the headers change at the next search.
    QCOMPARE(r.dialog->findChild<QComboBox *>("cmbView")->itemText(0), QStringLiteral("Activities, Detailed"));
    QCOMPARE(r.headers(), QStringList({"Time", "Activity"}));
    r.dialog->findChild<QPushButton *>("cmdSearch")->click();
    QCOMPARE(r.headers(), QStringList({"[xx] Time", "[xx] Activity"}));
    QCoreApplication::removeTranslator(&translator);
}

QTEST_MAIN(TestReports)
#include "tst_reports.moc"
