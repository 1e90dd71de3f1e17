// The activity log dialog: date ranges, the three views, CSV export.
#include "reportrunner.h"
#include "reporttree.h"
#include "reportview.h"
#include "searchdialog.h"
#include "testsupport.h"

#include <QAccessible>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLocale>
#include <QProcess>
#include <QProgressBar>
#include <QProgressDialog>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <sys/resource.h>
#include <QHeaderView>

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
    ReportTree *tree() const { return dialog->findChild<ReportTree *>("tvwItems"); }
    QAbstractItemModel *model() const { return tree()->model(); }
    QModelIndex day(int i) const { return model()->index(i, 0); }
    void settle() const { QTRY_VERIFY_WITH_TIMEOUT(!dialog->isSearching(), 60000); }
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
        settle();
    }
    QStringList headers() const
    {
        QStringList labels;
        for (int i = 0; i < model()->columnCount(); ++i)
            labels << model()->headerData(i, Qt::Horizontal).toString();
        return labels;
    }
    // Each day as "caption: cell|cell, cell|cell".
    QStringList days() const
    {
        QStringList out;
        for (int i = 0; i < model()->rowCount(); ++i) {
            QStringList rows;
            for (int r = 0; r < model()->rowCount(day(i)); ++r) {
                QStringList cells;
                for (int c = 0; c < model()->columnCount(); ++c)
                    cells << model()->index(r, c, day(i)).data().toString();
                rows << cells.join('|');
            }
            out << day(i).data().toString() + ": " + rows.join(", ");
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
    // The boxes of the last export besides the toolkit's overwrite question.
    QStringList errors() const
    {
        QStringList texts;
        for (const auto &box : lastBoxes)
            if (box.title == QLatin1String("Error"))
                texts << box.text;
        return texts;
    }
    bool connected = false;
    QList<MessageBoxCloser::Seen> lastBoxes;
    bool lastDialogShown = false;
    QString lastDialogTitle;
    QStringList lastFilters;
};

// Whether a day's caption is drawn past its first column, across the row.
bool captionSpansTheRow(ReportTree *tree, int day)
{
    tree->header()->resizeSection(0, 24);
    const QImage image = tree->viewport()->grab().toImage();
    const QRect first = tree->visualRect(tree->model()->index(day, 0));
    const QColor base = tree->palette().color(QPalette::Base);
    for (int x = first.right() + 8; x < image.width(); ++x)
        for (int y = first.top(); y <= first.bottom(); ++y)
            if (image.pixelColor(x, y) != base)
                return true;
    return false;
}

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
    void treeFindsEveryRow();
    void groupedView();
    void programsView();
    void categoriesSortPastTime();
    void titlesShownWhole();
    void durations_data();
    void durations();
    void unparseableDatesShareOneDay();
    void csvPerView();
    void csvQuotingAndEmptyResults();
    void csvReadsBackAsStored();
    void csvFailuresAreReported();
    void dayByDayMatchesTheSingleStatement_data();
    void dayByDayMatchesTheSingleStatement();
    void newSearchCancelsTheRunningOne();
    void closingMidSearch();
    void unreadableLogIsReported_data();
    void unreadableLogIsReported();
    void failedExportKeepsTheOldFile_data();
    void failedExportKeepsTheOldFile();
    void ownFilesAreRefused_data();
    void ownFilesAreRefused();
    void saveDialogStartFolder();
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
    r.settle();
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
    QCOMPARE(r.days(), QStringList({longDate(2026, 2, 3) + ": 00:00:05|a|last|",
                                    longDate(2026, 2, 1) + ": 00:00:05|a|first|"}));
}

void TestReports::startAfterEndShowsOnlyHeaders()
{
    Reports r;
    r.answer("x", "2026-02-02 10:00:00");
    for (int view : {0, 1, 2}) {
        r.show(view, QDate(2026, 2, 3), QDate(2026, 2, 1));
        QCOMPARE(r.model()->rowCount(), 0);
        QCOMPARE(r.headers().size(), view == 2 ? 4 : 2);
    }
}

void TestReports::detailedView()
{
    Reports r;
    r.answer("morning", "2026-02-02 09:15:00");
    r.answer("evening", "2026-02-02 20:30:00");
    r.answer("yesterday", "2026-02-01 11:00:00");
    r.show(0, QDate(2026, 2, 1), QDate(2026, 2, 2));
    r.dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(r.dialog.get()));
    QCOMPARE(r.headers(), QStringList({"Time", "Activity"}));
    QCOMPARE(r.days(), QStringList({longDate(2026, 2, 2) + ": " + shortTime(20, 30) + "|evening, " + shortTime(9, 15)
                                        + "|morning",
                                    longDate(2026, 2, 1) + ": " + shortTime(11, 0) + "|yesterday"}));
    for (int i = 0; i < r.model()->rowCount(); ++i) {
        QVERIFY(r.tree()->isExpanded(r.day(i)));
        QVERIFY(captionSpansTheRow(r.tree(), i));
        QCOMPARE(r.day(i).data(Qt::FontRole).value<QFont>().weight(), QFont::Bold);
        QVERIFY(!r.model()->index(0, 0, r.day(i)).data(Qt::FontRole).value<QFont>().bold());
    }
}

// The tree keeps only where each day starts: every row must still be found
// where it is drawn, and keys and the day's arrow must open and close days.
void TestReports::treeFindsEveryRow()
{
    Reports r;
    for (int day = 1; day <= 4; ++day)
        for (int i = 0; i < day * 3; ++i)
            r.answer(QString("d%1 a%2").arg(day).arg(i), QString("2026-02-%1 %2:00:00").arg(day, 2, 10, QChar('0')).arg(8 + i, 2, 10, QChar('0')));
    r.show(0, QDate(2026, 2, 1), QDate(2026, 2, 4));
    r.dialog->resize(500, 400);
    r.dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(r.dialog.get()));
    ReportTree *tree = r.tree();
    const auto roundTrip = [&] {
        for (int d = 0; d < r.model()->rowCount(); ++d) {
            tree->scrollTo(r.day(d), QAbstractItemView::PositionAtTop);
            if (tree->indexAt(tree->visualRect(r.day(d)).center()) != r.day(d))
                return false;
            for (int i = 0; tree->isExpanded(r.day(d)) && i < r.model()->rowCount(r.day(d)); ++i) {
                const QModelIndex cell = r.model()->index(i, 1, r.day(d));
                tree->scrollTo(cell);
                if (tree->indexAt(tree->visualRect(cell).center()) != cell)
                    return false;
            }
        }
        return true;
    };
    QVERIFY(roundTrip());
    // The arrow left of a day's caption closes it; the rows below move up,
    // and the cursor on one of its rows goes to the caption.
    tree->scrollToTop();
    tree->setCurrentIndex(r.model()->index(0, 1, r.day(1)));
    const QRect second = tree->visualRect(r.day(1));
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, QPoint(second.left() - tree->indentation() / 2, second.center().y()));
    QVERIFY(!tree->isExpanded(r.day(1)));
    QCOMPARE(tree->visualRect(r.day(2)).top(), second.bottom() + 1);
    QCOMPARE(tree->currentIndex(), r.day(1));
    QVERIFY(tree->selectionModel()->isSelected(r.day(1)));
    QVERIFY(roundTrip());
    // Keys: End goes to the last row, Left from a row to its day and then
    // closes it, Right opens it again, Down enters it.
    tree->setFocus();
    tree->setCurrentIndex(r.day(0));
    QTest::keyClick(tree, Qt::Key_End);
    QCOMPARE(tree->currentIndex().parent(), r.day(3));
    QCOMPARE(tree->currentIndex().row(), 2);
    QTest::keyClick(tree, Qt::Key_Left);
    QCOMPARE(tree->currentIndex(), r.day(3));
    QTest::keyClick(tree, Qt::Key_Left);
    QVERIFY(!tree->isExpanded(r.day(3)));
    QTest::keyClick(tree, Qt::Key_Right);
    QVERIFY(tree->isExpanded(r.day(3)));
    QTest::keyClick(tree, Qt::Key_Down);
    QCOMPARE(tree->currentIndex().parent(), r.day(3));
    QTest::keyClick(tree, Qt::Key_Up);
    QTest::keyClick(tree, Qt::Key_Up);
    QCOMPARE(tree->currentIndex(), r.model()->index(5, 0, r.day(2)));
    for (int i = 0; i < 7; ++i)
        QTest::keyClick(tree, Qt::Key_Up);
    QCOMPARE(tree->currentIndex(), r.day(1)); // closed: its rows were passed by
    QVERIFY(tree->selectionModel()->isSelected(r.day(1)));
    // Double-clicking a day closes it.
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(r.day(2)).center());
    QVERIFY(!tree->isExpanded(r.day(2)));

    // A screen reader sees the same rows: days and the rows of open days
    // (days 1 and 2 are closed now), with the current row as the focus.
    QAccessibleInterface *a11y = QAccessible::queryAccessibleInterface(tree);
    QCOMPARE(a11y->role(), QAccessible::Tree);
    QCOMPARE(a11y->childCount(), 4 + 12 + 3);
    QCOMPARE(a11y->child(0)->text(QAccessible::Name), longDate(2026, 2, 4));
    QCOMPARE(a11y->child(1)->text(QAccessible::Name), shortTime(19, 0) + ", d4 a11");
    QVERIFY(a11y->child(13)->state().collapsed);
    QCOMPARE(a11y->child(15)->text(QAccessible::Name), longDate(2026, 2, 1));
    QCOMPARE(a11y->indexOfChild(a11y->child(16)), 16);
    tree->setCurrentIndex(r.model()->index(1, 1, r.day(3)));
    QCOMPARE(a11y->focusChild()->text(QAccessible::Name), shortTime(9, 0) + ", d1 a1");
    QVERIFY(a11y->focusChild()->state().focused);
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
    QCOMPARE(r.headers(), QStringList({"Time", "Program", "Program title", "Category"}));
    // Longest first; ties by path, then title.
    QCOMPARE(r.days(), QStringList({longDate(2026, 2, 2) + ": 00:02:00|abc|long|, 00:01:00|abc|other|, "
                                                           "00:01:00|abc|same|, 00:01:00|zed|same|",
                                    longDate(2026, 2, 1) + ": 00:00:05|abc|long|"}));
}

void TestReports::categoriesSortPastTime()
{
    // A month of time, then rules that give it categories: the view and the
    // export sort all of it at once.
    Reports r;
    const QDate last(2026, 2, 28);
    for (int d = 0; d < 30; ++d) {
        const QString day = last.addDays(-d).toString(Qt::ISODate);
        r.program("/usr/lib/firefox/firefox", "Inbox (3) - Mail", day + " 09:00:00", 60);
        r.program("/usr/lib/firefox/firefox", "News", day + " 10:00:00", 50);
        r.program("/usr/bin/xterm", "make", day + " 11:00:00", 40);
    }
    const QString out = r.box.work() + "/export.csv";
    r.show(2, last.addDays(-29), last);
    QCOMPARE(r.days().value(29), longDate(2026, 1, 30) + ": 00:01:00|firefox|Inbox (3) - Mail|, "
                                                          "00:00:50|firefox|News|, 00:00:40|xterm|make|");
    QVERIFY(r.log->exec("INSERT INTO Rules (Position, Title, Action, Category) VALUES (10, '*inbox*', 'category', 'Email')"));
    QVERIFY(r.log->exec("INSERT INTO Rules (Position, Program, Action, Category) VALUES (11, 'firefox', 'category', 'Web')"));
    // Firefox's rows are the earlier rules': the first match gives the category.
    QVERIFY(r.log->exec("INSERT INTO Rules (Position, Program, Syntax, Action, Category) "
                        "VALUES (12, '^(fire|x)', 'regex', 'category', 'Tools')"));
    r.show(2, last.addDays(-29), last);
    const QStringList days = r.days();
    QCOMPARE(days.size(), 30);
    for (const QString &day : days)
        QVERIFY2(day.endsWith(": 00:01:00|firefox|Inbox (3) - Mail|Email, 00:00:50|firefox|News|Web, "
                              "00:00:40|xterm|make|Tools"),
                 qPrintable(day));
    const QByteArray csv = r.exportCsv(out);
    QCOMPARE(csv.count('\n'), 90);
    QVERIFY(csv.startsWith("2026-02-28,60,\"/usr/lib/firefox/firefox\",\"Inbox (3) - Mail\",\"Email\"\n"
                           "2026-02-28,50,\"/usr/lib/firefox/firefox\",\"News\",\"Web\"\n"
                           "2026-02-28,40,\"/usr/bin/xterm\",\"make\",\"Tools\"\n"));
    QCOMPARE(csv.count(",\"Email\"\n"), 30);
}

void TestReports::titlesShownWhole()
{
    // The ending a program's titles share is kept once; every title still shows whole.
    Reports r;
    const QStringList titles{"News — Mozilla Firefox", "Mail — Mozilla Firefox", " — Mozilla Firefox",
                             "— Mozilla Firefox", "Plain", "Other - Mozilla Firefox", "Ünï — Mozilla Firefox"};
    for (int i = 0; i < titles.size(); ++i)
        r.program("/usr/bin/firefox", titles[i], "2026-02-02 10:00:00", 100 - i);
    r.show(2, QDate(2026, 2, 2), QDate(2026, 2, 2));
    QStringList shown;
    for (int i = 0; i < r.model()->rowCount(r.day(0)); ++i)
        shown << r.model()->index(i, 2, r.day(0)).data().toString();
    QCOMPARE(shown, titles);
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
    QCOMPARE(r.days(), QStringList{longDate(2026, 2, 2) + ": " + shown + "|p|t|"});
}

void TestReports::unparseableDatesShareOneDay()
{
    Reports r;
    r.answer("good", "2026-02-02 09:00:00");
    r.answer("bad one", "2026-02-02 garbage");
    r.answer("bad two", "2026-02-02 nonsense");
    r.show(0, QDate(2026, 2, 1), QDate(2026, 2, 2));
    // Text order puts the broken stamps first; they share one captionless day.
    QCOMPARE(r.model()->rowCount(), 2);
    QCOMPARE(r.day(1).data().toString(), longDate(2026, 2, 2));
    QCOMPARE(r.day(0).data().toString(), QString());
    QCOMPARE(r.model()->rowCount(r.day(0)), 2);
    QCOMPARE(r.model()->index(0, 0, r.day(0)).data().toString(), QString());
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
    QCOMPARE(r.exportCsv(out), QByteArray("2026-02-02,70,\"/usr/bin/editor\",\"notes.txt\",\"\"\n"
                                          "2026-02-01,5,\"/opt/My App/app\",\"") + QString::fromUtf8("Ünïcode — 東京").toUtf8()
                 + "\",\"\"\n");
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
                                           sums[i][3].toString(), QString()}));
    // The tree shows the program's file name, the file carries the whole path.
    QCOMPARE(r.model()->index(0, 1, r.day(0)).data().toString(), QStringLiteral("x"));
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
    r.settle();
    QCOMPARE(r.headers(), QStringList({"[xx] Time", "[xx] Activity"}));
    QCoreApplication::removeTranslator(&translator);
}

void TestReports::dayByDayMatchesTheSingleStatement_data()
{
    // Stamps added to a clean log of the four days from 27 February; the
    // programs view reads it day by day unless a stamp forces the single statement.
    QTest::addColumn<QStringList>("stamps");
    QTest::addColumn<bool>("dayByDay");
    QTest::newRow("clean") << QStringList() << true;
    QTest::newRow("NULL and a number") << QStringList{"NULL", "20260301"} << true;
    QTest::newRow("ties in one second") << QStringList{"2026-03-01 10:00:00", "2026-03-01 10:00:00"} << true;
    QTest::newRow("after the last second") << QStringList{"2026-02-28T23:59:59x"} << false;
    QTest::newRow("day past the month's end") << QStringList{"2026-02-30 10:00:00"} << false;
    QTest::newRow("hour 25") << QStringList{"2026-03-01 25:00:00"} << false;
    QTest::newRow("time zone") << QStringList{"2026-03-02 01:00:00+05:00"} << false;
    QTest::newRow("day only") << QStringList{"2026-03-01"} << false;
    QTest::newRow("garbage time") << QStringList{"2026-03-01 garbage"} << false;
    QTest::newRow("outside the range") << QStringList{"2026-02-26 23:59:59x", "2026-03-03 00:00:00"} << true;
}

void TestReports::dayByDayMatchesTheSingleStatement()
{
    QFETCH(QStringList, stamps);
    QFETCH(bool, dayByDay);
    Reports r;
    QStringList all;
    for (int day = 0; day < 4; ++day)
        for (const char *time : {"08:00:00", "12:30:00", "23:59:59"})
            all << QDate(2026, 2, 27).addDays(day).toString(Qt::ISODate) + " " + time;
    all += stamps;
    for (int i = 0; i < all.size(); ++i) {
        r.answer(i % 3 ? "b" : "a", all[i]);
        r.program(i % 2 ? "/bin/p" : "/bin/q", QString("t%1").arg(i % 4), all[i], 5 * i);
    }
    QVERIFY(r.log->exec("UPDATE ActivityLog SET ActDate = NULL WHERE ActDate = 'NULL'"));
    QVERIFY(r.log->exec("UPDATE ApplicationLog SET AppDate = NULL WHERE AppDate = 'NULL'"));
    QVERIFY(r.log->exec("UPDATE ActivityLog SET ActDate = 20260301 WHERE ActDate = '20260301'"));
    QVERIFY(r.log->exec("UPDATE ApplicationLog SET AppDate = 20260301 WHERE AppDate = '20260301'"));
    const auto values = [](QSqlQuery &q) {
        QList<QStringList> rows;
        while (q.next()) {
            QStringList row;
            for (int c = 0; c < q.record().count(); ++c)
                row << (q.value(c).isNull() ? "NULL" : q.value(c).toString());
            rows << row;
        }
        return rows;
    };
    const QDate from(2026, 2, 27), to(2026, 3, 2);
    for (int kind : {0, 1, 2}) {
        QSqlQuery whole = ReportView::run(r.log->db(), kind, from, to);
        QVERIFY(whole.isActive());
        const QList<QList<QStringList>> expected{values(whole)};
        ReportRunner runner(r.box.logPath(), QString());
        QList<QList<QStringList>> read;
        bool restarted = false;
        std::atomic<bool> stop{false};
        const bool ok = runner.run(
            kind, from, to,
            [&](QSqlQuery &q) {
                read << values(q);
                return true;
            },
            [&] {
                read.clear();
                restarted = true;
            },
            stop);
        QVERIFY(ok);
        QList<QStringList> flat;
        for (const auto &part : std::as_const(read))
            flat += part;
        QCOMPARE(flat, expected.first());
        const bool perDay = kind == ReportView::Programs && dayByDay;
        QCOMPARE(restarted, kind == ReportView::Programs && !dayByDay);
        QCOMPARE(read.size(), perDay ? 4 : 1);
    }
    // The dialog shows those rows: as many rows under its days as the statement gave.
    for (int view : {0, 1, 2}) {
        r.show(view, from, to);
        int rows = 0;
        for (int d = 0; d < r.model()->rowCount(); ++d)
            rows += r.model()->rowCount(r.day(d));
        QSqlQuery whole = ReportView::run(r.log->db(), view, from, to);
        QVERIFY2(rows == int(values(whole).size()), qPrintable(QString("view %1: %2 rows").arg(view).arg(rows)));
    }
}

namespace {

// Sixty days of a busy log: enough that a search takes a while.
void fillBusyLog(Reports &r)
{
    QVERIFY(r.log->exec("BEGIN"));
    for (int day = 0; day < 60; ++day)
        for (int i = 0; i < 400; ++i)
            r.program("/usr/bin/p" + QString::number(i % 7), QString("title %1 %2").arg(day).arg(i),
                      QDateTime(QDate(2026, 1, 1).addDays(day), QTime(8, 0).addSecs(i * 60))
                          .toString("yyyy-MM-dd HH:mm:ss"),
                      5);
    QVERIFY(r.log->exec("COMMIT"));
}

// Overwrites the middle one of a table's pages, as a failing disk would:
// the rows before it read, then a statement fails.
void damageLog(Reports &r, const QString &table)
{
    // Every page in the file itself, none in the write-ahead log.
    QVERIFY(r.log->exec("PRAGMA wal_checkpoint(TRUNCATE)"));
    const qint64 pageSize = r.log->value("PRAGMA page_size").toLongLong();
    const auto pages = r.log->rows("SELECT pageno FROM dbstat WHERE name = ? AND pagetype = 'leaf' ORDER BY pageno",
                                   {table});
    QFile file(r.box.logPath());
    QVERIFY(pages.size() > 10 && file.open(QIODevice::ReadWrite));
    QVERIFY(file.seek(pageSize * (pages[pages.size() / 2][0].toLongLong() - 1)));
    QCOMPARE(file.write(QByteArray(pageSize, '\xff')), pageSize);
}

} // namespace

void TestReports::newSearchCancelsTheRunningOne()
{
    Reports r;
    fillBusyLog(r);
    r.answer("one answer", "2026-01-05 10:00:00");
    r.show(0, QDate(2026, 1, 1), QDate(2026, 3, 1));
    auto *view = r.dialog->findChild<QComboBox *>("cmbView");
    auto *search = r.dialog->findChild<QPushButton *>("cmdSearch");
    auto *working = r.dialog->findChild<QProgressBar *>("barWorking");
    view->setCurrentIndex(2);
    search->click();
    QVERIFY(r.dialog->isSearching());
    QVERIFY(working->isVisibleTo(r.dialog.get()));
    view->setCurrentIndex(0);
    search->click();
    r.settle();
    QVERIFY(!working->isVisibleTo(r.dialog.get()));
    QCOMPARE(r.headers(), QStringList({"Time", "Activity"}));
    QCOMPARE(r.days(), QStringList{longDate(2026, 1, 5) + ": " + shortTime(10, 0) + "|one answer"});
    // And the programs once more, to the end.
    r.show(2, QDate(2026, 1, 1), QDate(2026, 3, 1));
    QCOMPARE(r.model()->rowCount(), 60);
    QCOMPARE(r.model()->rowCount(r.day(59)), 400);
}

void TestReports::closingMidSearch()
{
    Reports r;
    fillBusyLog(r);
    // A stamp that is no time: the range is read with one statement, which
    // closing interrupts.
    r.program("/bin/odd", "odd", "2026-02-28 10:00:00 odd", 5);
    r.show(2, QDate(2026, 1, 1), QDate(2026, 1, 1));
    r.dialog->show();
    r.dialog->findChild<QDateEdit *>("dpLogFin")->setDate(QDate(2026, 3, 1));
    r.dialog->findChild<QPushButton *>("cmdSearch")->click();
    QVERIFY(r.dialog->isSearching());
    r.dialog->findChild<QPushButton *>("cmdClose")->click();
    QVERIFY(!r.dialog->isSearching());
    QVERIFY(!QSqlDatabase::connectionNames().join(' ').contains("kesto-report"));
    // The interrupt reaches a statement under way, here after its first row.
    ReportCancel cancel;
    ReportRunner runner(r.box.logPath(), QString(), {}, &cancel);
    int rows = 0;
    const auto readOne = [&](QSqlQuery &q) {
        while (q.next())
            if (++rows == 1)
                cancel.cancel();
        return true;
    };
    QVERIFY(!runner.run(ReportView::Programs, QDate(2026, 1, 1), QDate(2026, 3, 1), readOne, [] {}, cancel.flag()));
    QCOMPARE(rows, 1);
    QVERIFY2(runner.lastError().contains("interrupt"), qPrintable(runner.lastError()));
    r.dialog->findChild<QPushButton *>("cmdSearch")->click();
    QVERIFY(r.dialog->isSearching());
    r.dialog.reset();
    QCoreApplication::processEvents();
}

void TestReports::unreadableLogIsReported_data()
{
    QTest::addColumn<int>("view");
    QTest::addColumn<QString>("reason");
    QTest::newRow("renamed table") << 0 << "no such table";
    QTest::newRow("damaged page") << 2 << "malformed";
}

void TestReports::unreadableLogIsReported()
{
    // An empty or cut-off tree would pass for a day without activity.
    QFETCH(int, view);
    QFETCH(QString, reason);
    Reports r;
    if (view == 0) {
        r.answer("kept", "2026-01-05 10:00:00");
        QVERIFY(r.log->exec("ALTER TABLE ActivityLog RENAME TO Parked"));
    } else {
        fillBusyLog(r);
        damageLog(r, "ApplicationLog");
    }
    MessageBoxCloser closer;
    r.show(view, QDate(2026, 1, 1), QDate(2026, 3, 1));
    QCOMPARE(closer.seen.size(), 1);
    QCOMPARE(closer.seen[0].title, QStringLiteral("Error"));
    QVERIFY2(closer.seen[0].text.contains(r.box.logPath()) && closer.seen[0].text.contains(reason, Qt::CaseInsensitive),
             qPrintable(closer.seen[0].text));
}

void TestReports::failedExportKeepsTheOldFile_data()
{
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QString>("reason");
    QTest::newRow("device full") << "/dev/full" << "No space left on device";
    QTest::newRow("file size limit") << "limit" << "File too large";
    QTest::newRow("failing query") << "query" << "no such table";
    QTest::newRow("damaged log") << "damage" << "malformed";
    QTest::newRow("cancelled") << "cancel" << QString();
    // As when kesto ends mid-export.
    QTest::newRow("dialog closed") << "close" << QString();
}

void TestReports::failedExportKeepsTheOldFile()
{
    QFETCH(QString, failure);
    QFETCH(QString, reason);
    Reports r;
    fillBusyLog(r);
    r.show(2, QDate(2026, 1, 1), QDate(2026, 3, 1));
    const QString target = failure == "/dev/full" ? failure : r.box.work() + "/old.csv";
    const QByteArray old = "an earlier export\n";
    if (target != failure) {
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(old);
    }
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    if (failure == "limit") {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = 100000;
        QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
    }
    if (failure == "query")
        QVERIFY(r.log->exec("ALTER TABLE ApplicationLog RENAME TO Elsewhere"));
    if (failure == "damage") {
        // Answers stream newest first through their index: the damage is
        // met with thousands of rows written.
        QVERIFY(r.log->exec("INSERT INTO ActivityLog (ActText, ActDate) SELECT AppTitle, AppDate FROM ApplicationLog"));
        r.show(0, QDate(2026, 1, 1), QDate(2026, 3, 1));
        damageLog(r, "ActivityLog");
    }
    if (failure == "close") {
        // A stamp that is no time: one statement reads the whole range, and
        // is still sorting when the dialog closes.
        r.program("/bin/odd", "odd", "2026-02-28 10:00:00 odd", 5);
        r.dialog->show();
    }
    QTimer canceller;
    if (failure == "cancel" || failure == "close") {
        QObject::connect(&canceller, &QTimer::timeout, [&] {
            if (auto *progress = r.dialog->findChild<QProgressDialog *>()) {
                if (failure == "cancel")
                    emit progress->canceled();
                else
                    r.dialog->close();
            }
        });
        canceller.start(0);
    }
    r.exportCsv(target);
    canceller.stop();
    setrlimit(RLIMIT_FSIZE, &saved);
    const QStringList errors = r.errors();
    if (reason.isEmpty()) {
        QVERIFY(errors.isEmpty());
    } else {
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors[0].contains(target) && errors[0].contains(reason, Qt::CaseInsensitive), qPrintable(errors[0]));
    }
    if (target != failure) {
        QCOMPARE(fileBytes(target), old);
        QCOMPARE(QDir(r.box.work()).entryList(QDir::Files), QStringList({"old.csv", "template.db"}));
    }
}

void TestReports::ownFilesAreRefused_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("log") << "home:kesto.db";
    QTest::newRow("write-ahead log") << "home:kesto.db-wal";
    QTest::newRow("shared memory") << "home:kesto.db-shm";
    QTest::newRow("template") << "work:template.db";
}

void TestReports::ownFilesAreRefused()
{
    QFETCH(QString, name);
    Reports r;
    r.answer("kept", "2026-02-02 10:00:00");
    r.show(0, QDate(2026, 2, 2), QDate(2026, 2, 2));
    const QString path = (name.startsWith("home:") ? r.box.home() : r.box.work()) + "/" + name.mid(5);
    const QByteArray before = fileBytes(path);
    r.exportCsv(path);
    const QStringList errors = r.errors();
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors[0].contains(path) && errors[0].contains("choose another file"), qPrintable(errors[0]));
    QCOMPARE(fileBytes(path), before);
    QCOMPARE(r.log->value("SELECT ActText FROM ActivityLog").toString(), QStringLiteral("kept"));
}

void TestReports::saveDialogStartFolder()
{
    Reports r;
    r.show(0, QDate(2026, 2, 2), QDate(2026, 2, 2));
    // No documents folder: the home folder; then the documents; then where the last export went.
    const auto startsIn = [&r] {
        FileDialogAnswer cancel{QString()};
        emit r.dialog->findChild<QLabel *>("llCSV")->linkActivated("#");
        return cancel.directory;
    };
    QCOMPARE(startsIn(), QDir(r.box.home()).absolutePath());
    QVERIFY(QDir(r.box.home()).mkdir("Documents"));
    QCOMPARE(startsIn(), QDir(r.box.home() + "/Documents").absolutePath());
    QVERIFY(QDir(r.box.work()).mkdir("exports"));
    r.exportCsv(r.box.work() + "/exports/a.csv");
    QCOMPARE(startsIn(), QDir(r.box.work() + "/exports").absolutePath());
}

QTEST_MAIN(TestReports)
#include "tst_reports.moc"
