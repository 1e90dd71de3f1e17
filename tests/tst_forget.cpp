// Forgetting: spans of time cut out of the log, rows of the activity log
// deleted, and what went nowhere in the files afterwards.
#include "forgetting.h"
#include "logwriter.h"
#include "recordcontrol.h"
#include "reportmodel.h"
#include "reporttree.h"
#include "sampler.h"
#include "searchdialog.h"
#include "testsupport.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QMenu>
#include <QRadioButton>
#include <QSystemTrayIcon>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace TestSupport;

namespace {

QDateTime at(const QString &text)
{
    return QDateTime::fromString(text, "yyyy-MM-dd HH:mm:ss");
}

struct Rig : Harness
{
    QDateTime now = at("2026-03-10 12:00:00");
    Rig() { window->findChild<Sampler *>()->setClock([this] { return now; }); }
    RecordControl *control() const { return window->findChild<RecordControl *>(); }
    void program(const QString &title, const QString &start, int seconds, const QString &path = "/usr/bin/editor")
    {
        QVERIFY(log->exec("INSERT INTO ApplicationLog (AppFileName, AppTitle, AppDate, Duration) VALUES (?, ?, ?, ?)",
                          {path, title, start, seconds}));
    }
    void answer(const QString &text, const QString &date)
    {
        QVERIFY(log->exec("INSERT INTO ActivityLog (ActText, ActDate) VALUES (?, ?)", {text, date}));
    }
    // Sampled through kesto's own path, at a time of the fake clock.
    void sample(const QString &title, const QString &when)
    {
        now = at(when);
        fake.show("/usr/bin/editor", title);
        invoke("OnTimerPrograms");
    }
    // Typed into the prompt and saved, at a time of the fake clock.
    void say(const QString &text, const QString &when)
    {
        now = at(when);
        invoke("OnTimerKESTO");
        QTest::keyClicks(widget<QComboBox>("cbWhat"), text);
        QTest::keyClick(widget<QComboBox>("cbWhat"), Qt::Key_Return);
    }
    QList<QVariantList> programs()
    {
        return log->rows("SELECT AppTitle, AppDate, Duration FROM ApplicationLog ORDER BY AppDate, ROWID");
    }
    QStringList answers()
    {
        QStringList texts;
        for (const auto &row : log->rows("SELECT ActText FROM ActivityLog ORDER BY ActDate, ROWID"))
            texts << row[0].toString();
        return texts;
    }
};

Forgetting span(const QString &from, const QString &to)
{
    Forgetting what;
    what.from = at(from);
    what.to = at(to);
    return what;
}

// Where a text shows in a file's raw bytes.
bool inFile(const QString &file, const QByteArray &text)
{
    return fileBytes(file).contains(text);
}

} // namespace

class TestForget : public QObject
{
    Q_OBJECT

private slots:
    void spansCutRowsAtTheirEdges_data();
    void spansCutRowsAtTheirEdges();
    void trayForgetsTheLastHour();
    void forgottenTextsLeaveTheFiles();
    void waitingAnswersInTheSpanAreDropped();
    void aForgottenRowTakesNoMoreTime();
    void activityLogForgetsWhatIsPicked_data();
    void activityLogForgetsWhatIsPicked();
    void showLogOffersForget();
};

void TestForget::spansCutRowsAtTheirEdges_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QList<QVariantList>>("left");
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QString>("told");
    using Rows = QList<QVariantList>;
    // The rows: a 08:00 +600, b 09:00 +3600, c 10:00 +600, d 10:20 +1200, e 11:00 +60;
    // answers at 09:30:00, 09:45:00 and 10:30:00.
    QTest::newRow("cuts both edges")
        << "2026-03-10 09:30:00" << "2026-03-10 10:30:00"
        << Rows{{"a", "2026-03-10 08:00:00", 600}, {"b", "2026-03-10 09:00:00", 1800},
                {"d", "2026-03-10 10:30:00", 600}, {"e", "2026-03-10 11:00:00", 60}}
        << QStringList{"at 10:30"} << "Program rows: 3 (00:50:00 of program time)\nAnswers: 2";
    QTest::newRow("inside one row")
        << "2026-03-10 09:10:00" << "2026-03-10 09:20:00"
        << Rows{{"a", "2026-03-10 08:00:00", 600}, {"b", "2026-03-10 09:00:00", 600},
                {"b", "2026-03-10 09:20:00", 2400}, {"c", "2026-03-10 10:00:00", 600},
                {"d", "2026-03-10 10:20:00", 1200}, {"e", "2026-03-10 11:00:00", 60}}
        << QStringList{"at 9:30", "at 9:45", "at 10:30"} << "Program rows: 1 (00:10:00 of program time)\nAnswers: 0";
    QTest::newRow("edges on row edges")
        << "2026-03-10 10:00:00" << "2026-03-10 10:10:00"
        << Rows{{"a", "2026-03-10 08:00:00", 600}, {"b", "2026-03-10 09:00:00", 3600},
                {"d", "2026-03-10 10:20:00", 1200}, {"e", "2026-03-10 11:00:00", 60}}
        << QStringList{"at 9:30", "at 9:45", "at 10:30"} << "Program rows: 1 (00:10:00 of program time)\nAnswers: 0";
}

void TestForget::spansCutRowsAtTheirEdges()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QList<QVariantList>, left);
    QFETCH(QStringList, answers);
    QFETCH(QString, told);
    Rig rig;
    rig.program("a", "2026-03-10 08:00:00", 600);
    rig.program("b", "2026-03-10 09:00:00", 3600);
    rig.program("c", "2026-03-10 10:00:00", 600);
    rig.program("d", "2026-03-10 10:20:00", 1200);
    rig.program("e", "2026-03-10 11:00:00", 60);
    rig.answer("at 9:30", "2026-03-10 09:30:00");
    rig.answer("at 9:45", "2026-03-10 09:45:00");
    rig.answer("at 10:30", "2026-03-10 10:30:00");
    MessageBoxCloser closer;
    QVERIFY(rig.control()->forget(span(from, to), nullptr));
    QCOMPARE(closer.seen.size(), 1);
    QVERIFY2(closer.seen[0].text.contains(told), qPrintable(closer.seen[0].text));
    QCOMPARE(rig.programs(), left);
    QCOMPARE(rig.answers(), answers);
}

void TestForget::trayForgetsTheLastHour()
{
    Rig rig;
    rig.program("earlier", "2026-03-10 10:30:00", 600);
    rig.program("in the hour", "2026-03-10 11:30:00", 600);
    rig.program("under way", "2026-03-10 11:55:00", 300);
    rig.answer("earlier", "2026-03-10 10:59:59");
    rig.answer("in the hour", "2026-03-10 11:20:00");
    // Picks "The last hour" in the dialog, as a user would.
    QTimer picker;
    QObject::connect(&picker, &QTimer::timeout, [] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->objectName() != "ForgetDialog" || !w->isVisible())
                continue;
            w->findChild<QRadioButton *>("optLastHour")->click();
            w->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
        }
    });
    picker.start(20);
    MessageBoxCloser closer;
    for (QAction *a : rig.window->findChild<QSystemTrayIcon *>()->contextMenu()->actions())
        if (a->text() == "Forget...")
            a->trigger();
    QCOMPARE(closer.seen.size(), 1);
    QVERIFY2(closer.seen[0].text.startsWith("Forget everything recorded from"), qPrintable(closer.seen[0].text));
    QCOMPARE(rig.programs(), QList<QVariantList>({{"earlier", "2026-03-10 10:30:00", 600}}));
    QCOMPARE(rig.answers(), QStringList({"earlier"}));
}

void TestForget::forgottenTextsLeaveTheFiles()
{
    Rig rig;
    rig.sample("before the span", "2026-03-10 09:00:00");
    for (int i = 0; i < 4; ++i)
        rig.sample("Kumquat plans", QStringLiteral("2026-03-10 09:30:%1").arg(i * 5, 2, 10, QLatin1Char('0')));
    rig.say("Persimmon appointment", "2026-03-10 09:31:00");
    rig.sample("after the span", "2026-03-10 10:30:00");
    rig.say("kept answer", "2026-03-10 10:31:00");
    LogWriter::waitForAll();
    // The texts are in the files now, so the search below can find them.
    QVERIFY(inFile(rig.box.logPath() + "-wal", "Kumquat") && inFile(rig.box.logPath() + "-wal", "Persimmon"));

    // As SQLite builds without secure deletion by default (Windows) have it.
    QVERIFY(rig.window->findChild<LogWriter *>()->configure("PRAGMA secure_delete=OFF"));
    MessageBoxCloser closer;
    rig.now = at("2026-03-10 11:00:00");
    QVERIFY(rig.control()->forget(span("2026-03-10 09:15:00", "2026-03-10 10:00:00"), nullptr));
    QCOMPARE(rig.answers(), QStringList({"kept answer"}));
    QCOMPARE(rig.log->value("SELECT COUNT(*) FROM ApplicationLog").toInt(), 2);
    for (const QString &file : {rig.box.logPath(), rig.box.logPath() + "-wal"})
        for (const QByteArray &text : {QByteArray("Kumquat"), QByteArray("Persimmon")})
            QVERIFY2(!inFile(file, text), qPrintable(file + ": " + text));
    QVERIFY(inFile(rig.box.logPath(), "kept answer"));
}

void TestForget::waitingAnswersInTheSpanAreDropped()
{
    Rig rig;
    MessageBoxCloser closer;
    {
        LogFile locker(rig.box.logPath());
        QVERIFY(locker.exec("BEGIN EXCLUSIVE"));
        rig.say("kept answer", "2026-03-10 09:00:00");
        rig.say("Tamarind visit", "2026-03-10 10:00:00");
        rig.sample("Longan page", "2026-03-10 10:05:00");
        rig.sample("after the span", "2026-03-10 11:00:00");
        // The log refuses it too; what waited in kesto is gone already.
        rig.now = at("2026-03-10 11:01:00");
        const int before = int(closer.seen.size());
        QVERIFY(!rig.control()->forget(span("2026-03-10 09:30:00", "2026-03-10 10:30:00"), nullptr));
        QCOMPARE(closer.seen.size(), before + 2);
        QVERIFY2(closer.seen[before].text.contains("Program rows: 1 (00:00:05 of program time)\nAnswers: 1"),
                 qPrintable(closer.seen[before].text));
        QVERIFY2(closer.seen.last().text.startsWith("Another program holds the log"), qPrintable(closer.seen.last().text));
        QVERIFY(locker.exec("COMMIT"));
    }
    rig.sample("after the span", "2026-03-10 11:01:05");
    QCOMPARE(rig.answers(), QStringList({"kept answer"}));
    // The row under way ended with the forgetting; the next sample began another.
    QCOMPARE(rig.log->rows("SELECT AppTitle, AppDate FROM ApplicationLog"),
             QList<QVariantList>({{"after the span", "2026-03-10 11:00:00"}, {"after the span", "2026-03-10 11:01:05"}}));
    rig.window.reset();
    releaseDefaultConnection();
    QVERIFY(LogWriter::unsavedFiles(rig.box.logPath()).isEmpty());
    for (const QString &file : {rig.box.logPath(), rig.box.logPath() + "-wal"})
        for (const QByteArray &text : {QByteArray("Tamarind"), QByteArray("Longan")})
            QVERIFY2(!inFile(file, text), qPrintable(file + ": " + text));
}

void TestForget::aForgottenRowTakesNoMoreTime()
{
    // A stretch whose row is forgotten may still be cut back (by an absence
    // found later): the next row, given the freed row id, keeps its time.
    Rig rig;
    auto *writer = rig.window->findChild<LogWriter *>();
    writer->beginStretch(1001, "/usr/bin/editor", "gone", "2026-03-10 11:59:00", 60);
    LogWriter::waitForAll();
    QVERIFY(writer->forget(span("2026-03-10 11:58:00", "2026-03-10 12:00:00")).done);
    writer->beginStretch(1002, "/usr/bin/editor", "new", "2026-03-10 12:00:00", 30);
    writer->extendStretch(1001, -20);
    QCOMPARE(rig.programs(), QList<QVariantList>({{"new", "2026-03-10 12:00:00", 30}}));
}

void TestForget::activityLogForgetsWhatIsPicked_data()
{
    QTest::addColumn<int>("view");
    QTest::addColumn<QString>("picked"); // a day, or "text@time" of a row on 2026-03-10
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QStringList>("programs");
    const QStringList allAnswers = {"alpha", "alpha", "beta", "alpha"};
    const QStringList allPrograms = {"notes", "notes", "shell", "notes"};
    QTest::newRow("an answer") << 0 << "alpha@09:00" << QStringList{"alpha", "beta", "alpha"} << allPrograms;
    QTest::newRow("a day's answers with one text") << 1 << "alpha" << QStringList{"alpha", "beta"} << allPrograms;
    QTest::newRow("a program row") << 2 << "notes" << allAnswers << QStringList{"notes", "shell"};
    QTest::newRow("a day") << 2 << "" << QStringList{"alpha"} << QStringList{"notes"};
}

void TestForget::activityLogForgetsWhatIsPicked()
{
    QFETCH(int, view);
    QFETCH(QString, picked);
    QFETCH(QStringList, answers);
    QFETCH(QStringList, programs);
    Rig rig;
    rig.now = QDateTime::currentDateTime();
    rig.answer("alpha", "2026-03-09 12:00:00");
    rig.answer("alpha", "2026-03-10 09:00:00");
    rig.answer("beta", "2026-03-10 10:00:00");
    rig.answer("alpha", "2026-03-10 11:00:00");
    rig.program("notes", "2026-03-09 12:00:00", 50);
    rig.program("notes", "2026-03-10 09:00:00", 600);
    rig.program("shell", "2026-03-10 09:30:00", 100, "/usr/bin/term");
    rig.program("notes", "2026-03-10 10:00:00", 300);

    SearchDialog dialog;
    dialog.setForgetter([&](const Forgetting &what) { return rig.control()->forget(what, &dialog); });
    dialog.findChild<QDateEdit *>("dpLogIni")->setDate(QDate(2026, 3, 1));
    dialog.findChild<QDateEdit *>("dpLogFin")->setDate(QDate(2026, 3, 31));
    dialog.findChild<QComboBox *>("cmbView")->setCurrentIndex(view);
    dialog.setDatabase(rig.log->db());
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.isSearching(), 10000);
    auto *tree = dialog.findChild<ReportTree *>("tvwItems");
    auto *model = qobject_cast<ReportModel *>(tree->model());
    auto *forget = dialog.findChild<QPushButton *>("cmdForget");
    QVERIFY(forget->isVisible() || !dialog.isVisible());
    QVERIFY(!forget->isEnabled());
    // The newest day comes first.
    QModelIndex target = model->index(0, 0);
    QCOMPARE(model->picked(target).day, QDate(2026, 3, 10));
    if (!picked.isEmpty()) {
        const QString text = picked.section('@', 0, 0);
        const QTime time = QTime::fromString(picked.section('@', 1), "HH:mm");
        target = QModelIndex();
        for (int row = 0; row < model->rowCount(model->index(0, 0)); ++row) {
            const QModelIndex candidate = model->index(row, 0, model->index(0, 0));
            const ReportModel::Picked p = model->picked(candidate);
            if (p.text == text && (!time.isValid() || p.time == time))
                target = candidate;
        }
        QVERIFY(target.isValid());
    }
    tree->setCurrentIndex(target);
    QVERIFY(forget->isEnabled());
    MessageBoxCloser closer;
    forget->click();
    QCOMPARE(closer.seen.size(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.isSearching(), 10000);
    QCOMPARE(rig.answers(), answers);
    QStringList titles;
    for (const QVariantList &row : rig.programs())
        titles << row[0].toString();
    QCOMPARE(titles, programs);
}

void TestForget::showLogOffersForget()
{
    Rig rig;
    bool offered = false;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *dialog = qobject_cast<SearchDialog *>(w);
            if (!dialog || !dialog->isVisible())
                continue;
            // Forgetting, and correcting answers, from the tray's activity log.
            offered = dialog->findChild<QPushButton *>("cmdForget")->isVisible()
                && dialog->findChild<QPushButton *>("cmdAddAnswer")->isVisible();
            dialog->close();
        }
    });
    look.start(20);
    rig.invoke("menuShowLog_Click");
    QVERIFY(offered);
}

QTEST_MAIN(TestForget)
#include "tst_forget.moc"
