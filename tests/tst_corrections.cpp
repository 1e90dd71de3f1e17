// Corrections of the answers in the activity log: edit, delete, rename
// everywhere, add at a past time, one undo; what the prompt and a take-back
// make of them; a log that takes no writes, and rows changed meanwhile.
#include "logwriter.h"
#include "reportmodel.h"
#include "reporttree.h"
#include "sampler.h"
#include "searchdialog.h"
#include "testsupport.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

using namespace TestSupport;

namespace {

QDateTime at(const QString &text)
{
    return QDateTime::fromString(text, "yyyy-MM-dd HH:mm:ss");
}

// The answers every case starts from, as "date text".
const QStringList kStart = {"2026-03-09 12:00:00 emial", "2026-03-10 09:00:00 emial", "2026-03-10 10:00:00 beta",
                            "2026-03-10 11:00:00 emial"};

// Fills the next answer dialog (add: "date text"; rename: the text) and
// presses OK.
class AnswerInput
{
public:
    explicit AnswerInput(const QString &input)
    {
        timer.setInterval(20);
        QObject::connect(&timer, &QTimer::timeout, [this, input] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                auto *dialog = qobject_cast<QDialog *>(w);
                if (!dialog || !dialog->isVisible() || !dialog->inherits("AnswerDialog"))
                    continue;
                auto *when = dialog->findChild<QDateTimeEdit *>("dpWhen");
                QString text = input;
                if (when->isVisibleTo(dialog)) {
                    when->setDateTime(at(input.left(19)));
                    text = input.mid(20);
                }
                dialog->findChild<QComboBox *>("cmbWhat")->setEditText(text);
                dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
                shown = true;
            }
        });
        timer.start();
    }
    bool shown = false;

private:
    QTimer timer;
};

struct Rig : Harness
{
    QDateTime now = at("2026-03-10 12:00:00");
    std::unique_ptr<SearchDialog> dialog;

    explicit Rig(bool staleTable = true, const QStringList &start = kStart)
    {
        window->findChild<Sampler *>()->setClock([this] { return now; });
        // A log kesto could not bring up to date has neither the table of
        // days whose kept totals are void nor the triggers that fill it.
        if (!staleTable) {
            for (const auto &trigger : log->rows("SELECT name FROM sqlite_master WHERE type = 'trigger'"))
                QVERIFY(log->exec("DROP TRIGGER " + trigger[0].toString()));
            QVERIFY(log->exec("DROP TABLE RollupStale"));
        }
        for (const QString &answer : start)
            QVERIFY(log->exec("INSERT INTO ActivityLog (ActText, ActDate) VALUES (?, ?)",
                              {answer.mid(20), answer.left(19)}));
    }
    ~Rig() { dialog.reset(); }
    LogWriter *writer() const { return window->findChild<LogWriter *>(); }

    void open(int view)
    {
        dialog = std::make_unique<SearchDialog>();
        dialog->setWriter(writer());
        dialog->findChild<QDateEdit *>("dpLogIni")->setDate(QDate(2026, 3, 1));
        dialog->findChild<QDateEdit *>("dpLogFin")->setDate(QDate(2026, 3, 31));
        dialog->findChild<QComboBox *>("cmbView")->setCurrentIndex(view);
        dialog->setDatabase(QSqlDatabase::database());
        dialog->show();
        QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
        settle();
    }
    void settle() const { QTRY_VERIFY_WITH_TIMEOUT(!dialog->isSearching(), 10000); }
    ReportTree *tree() const { return dialog->findChild<ReportTree *>("tvwItems"); }
    ReportModel *model() const { return qobject_cast<ReportModel *>(tree()->model()); }
    // Makes a row of 2026-03-10 current: "text@HH:mm" in the detailed view,
    // "text" in the grouped one.
    bool pick(const QString &row)
    {
        const QString text = row.section('@', 0, 0);
        const QTime time = QTime::fromString(row.section('@', 1), "HH:mm");
        const QModelIndex day = model()->index(0, 0);
        if (model()->picked(day).day != QDate(2026, 3, 10))
            return false;
        for (int i = 0; i < model()->rowCount(day); ++i) {
            const QModelIndex candidate = model()->index(i, 0, day);
            const ReportModel::Picked p = model()->picked(candidate);
            if (p.text == text && (!time.isValid() || p.time == time)) {
                tree()->setCurrentIndex(candidate);
                tree()->setFocus();
                return true;
            }
        }
        return false;
    }
    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(tree(), Qt::Key(key), modifiers);
    }
    // Types a new text into the picked row's editor (F2) and confirms it.
    bool type(const QString &text)
    {
        key(Qt::Key_F2);
        auto *editor = tree()->findChild<QLineEdit *>("answerEditor");
        if (!editor)
            return false;
        editor->selectAll();
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        return true;
    }
    // Ctrl+Z, once the dialog is the active window again (after a box).
    void undo(QWidget *on = nullptr)
    {
        dialog->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
        QTest::keyClick(on ? on : tree(), Qt::Key_Z, Qt::ControlModifier);
    }
    void trigger(const char *action) { dialog->findChild<QAction *>(action)->trigger(); }

    QStringList answers()
    {
        QStringList all;
        for (const auto &row : log->rows("SELECT ActDate, ActText FROM ActivityLog ORDER BY ActDate, ROWID"))
            all << row[0].toString() + ' ' + row[1].toString();
        return all;
    }
    QStringList stale()
    {
        QStringList days;
        for (const auto &row : log->rows("SELECT Day FROM RollupStale ORDER BY Day"))
            days << row[0].toString();
        return days;
    }
    // The list the prompt offers when it next comes up.
    QStringList promptList()
    {
        invoke("OnTimerKESTO");
        auto *what = widget<QComboBox>("cbWhat");
        QStringList items;
        for (int i = 0; i < what->count(); ++i)
            items << what->itemText(i);
        window->close();
        return items;
    }
    // Typed into the prompt and saved at a time of the fake clock; with
    // rewrite through "I take it back!".
    void say(const QString &text, const QString &when, bool rewrite = false)
    {
        now = at(when);
        invoke(rewrite ? "menuReWrite_Click" : "OnTimerKESTO");
        QTest::keyClicks(widget<QComboBox>("cbWhat"), text);
        QTest::keyClick(widget<QComboBox>("cbWhat"), Qt::Key_Return);
    }
};

// The prompt's list for a log holding `answers`: each text once, latest use first.
QStringList recentOf(const QStringList &answers)
{
    QStringList texts;
    for (auto it = answers.crbegin(); it != answers.crend(); ++it)
        if (!texts.contains(it->mid(20)))
            texts << it->mid(20);
    return texts.mid(0, 10);
}

} // namespace

class TestCorrections : public QObject
{
    Q_OBJECT

private slots:
    void correctAndUndo_data();
    void correctAndUndo();
    void takeBackLeavesCorrectionsAlone_data();
    void takeBackLeavesCorrectionsAlone();
    void refusingLogChangesNothing_data();
    void refusingLogChangesNothing();
    void rowsChangedMeanwhileAreNotClobbered_data();
    void rowsChangedMeanwhileAreNotClobbered();
    void undoLastsWhileTheDialogIsOpen();
    void rightClickOffersCorrections();
};

void TestCorrections::correctAndUndo_data()
{
    QTest::addColumn<int>("view");
    QTest::addColumn<QString>("picked");
    QTest::addColumn<QString>("action"); // F2 (typed), Delete, rename, add
    QTest::addColumn<QString>("input");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<QStringList>("stale");
    const QStringList edges = {"2026-03-10", "2026-03-11"};
    QTest::newRow("edit an answer")
        << 0 << "emial@09:00" << "F2" << "Email"
        << QStringList{"2026-03-09 12:00:00 emial", "2026-03-10 09:00:00 Email", "2026-03-10 10:00:00 beta",
                       "2026-03-10 11:00:00 emial"}
        << edges;
    QTest::newRow("delete an answer")
        << 0 << "beta@10:00" << "Delete" << ""
        << QStringList{"2026-03-09 12:00:00 emial", "2026-03-10 09:00:00 emial", "2026-03-10 11:00:00 emial"} << edges;
    QTest::newRow("edit a day's answers")
        << 1 << "emial" << "F2" << "Email"
        << QStringList{"2026-03-09 12:00:00 emial", "2026-03-10 09:00:00 Email", "2026-03-10 10:00:00 beta",
                       "2026-03-10 11:00:00 Email"}
        << edges;
    QTest::newRow("delete a day's answers")
        << 1 << "emial" << "Delete" << "" << QStringList{"2026-03-09 12:00:00 emial", "2026-03-10 10:00:00 beta"}
        << edges;
    QTest::newRow("rename everywhere")
        << 0 << "emial@11:00" << "actRename" << "Email"
        << QStringList{"2026-03-09 12:00:00 Email", "2026-03-10 09:00:00 Email", "2026-03-10 10:00:00 beta",
                       "2026-03-10 11:00:00 Email"}
        << QStringList{"2026-03-09", "2026-03-10", "2026-03-11"};
    QTest::newRow("add at a past time")
        << 1 << "beta" << "actAdd" << "2026-03-08 23:30:00 late \"night\""
        << QStringList{"2026-03-08 23:30:00 late \"night\"", "2026-03-09 12:00:00 emial", "2026-03-10 09:00:00 emial",
                       "2026-03-10 10:00:00 beta", "2026-03-10 11:00:00 emial"}
        << QStringList{"2026-03-08", "2026-03-09"};
}

void TestCorrections::correctAndUndo()
{
    QFETCH(int, view);
    QFETCH(QString, picked);
    QFETCH(QString, action);
    QFETCH(QString, input);
    QFETCH(QStringList, after);
    QFETCH(QStringList, stale);
    Rig rig;
    rig.open(view);
    QVERIFY(rig.pick(picked));
    MessageBoxCloser closer;
    if (action == "F2") {
        QVERIFY(rig.type(input));
    } else if (action == "Delete") {
        rig.key(Qt::Key_Delete);
    } else {
        AnswerInput answer(input);
        rig.trigger(qPrintable(action));
        QVERIFY(answer.shown);
    }
    QTRY_COMPARE(rig.answers(), after);
    rig.settle();
    QCOMPARE(rig.stale(), stale);
    // The tree shows the log as it is now, and the same row stays picked.
    const QModelIndex current = rig.tree()->currentIndex();
    QVERIFY(current.isValid());
    QCOMPARE(rig.model()->picked(current).day, QDate(2026, 3, 10));
    QCOMPARE(rig.promptList(), recentOf(after));

    // Undone once, with the keyboard, wherever the focus is in the dialog.
    rig.dialog->findChild<QPushButton *>("cmdSearch")->setFocus();
    rig.undo(rig.dialog->findChild<QPushButton *>("cmdSearch"));
    QTRY_COMPARE(rig.answers(), kStart);
    rig.settle();
    QCOMPARE(rig.promptList(), recentOf(kStart));
    // Only once: a second Ctrl+Z does not bring the change back or go further.
    rig.undo();
    QTest::qWait(50);
    QCOMPARE(rig.answers(), kStart);
    QVERIFY(closer.seen.isEmpty());
}

void TestCorrections::takeBackLeavesCorrectionsAlone_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QStringList>("after");
    const QStringList before = {"2026-03-10 09:00:00 beta"};
    // The prompt's answer at 12:00 "emial" is corrected, then taken back with "meeting" at 12:05.
    QTest::newRow("edited: a new answer")
        << "F2" << QStringList{"2026-03-10 09:00:00 beta", "2026-03-10 12:00:00 Email", "2026-03-10 12:05:00 meeting"};
    QTest::newRow("deleted: a new answer")
        << "Delete" << QStringList{"2026-03-10 09:00:00 beta", "2026-03-10 12:05:00 meeting"};
    QTest::newRow("undone: taken back")
        << "undo" << QStringList{"2026-03-10 09:00:00 beta", "2026-03-10 12:00:00 meeting"};
    // No answer from this kesto yet: the newest one before the correction is the one taken back.
    QTest::newRow("added before any answer")
        << "add" << QStringList{"2026-03-10 08:00:00 standup", "2026-03-10 09:00:00 meeting"};
}

void TestCorrections::takeBackLeavesCorrectionsAlone()
{
    QFETCH(QString, action);
    QFETCH(QStringList, after);
    Rig rig(true, {"2026-03-10 09:00:00 beta"});
    if (action != "add")
        rig.say("emial", "2026-03-10 12:00:00");
    rig.open(0);
    MessageBoxCloser closer;
    if (action == "add") {
        AnswerInput answer("2026-03-10 08:00:00 standup");
        rig.trigger("actAdd");
        QVERIFY(answer.shown);
        QTRY_COMPARE(rig.answers().size(), 2);
    } else {
        QVERIFY(rig.pick("emial@12:00"));
        if (action == "Delete" || action == "undo")
            rig.key(Qt::Key_Delete);
        else
            QVERIFY(rig.type("Email"));
        QTRY_VERIFY(!rig.answers().join('\n').contains("emial"));
        if (action == "undo") {
            rig.settle();
            rig.undo();
            QTRY_VERIFY(rig.answers().join('\n').contains("emial"));
        }
    }
    rig.settle();
    rig.say("meeting", "2026-03-10 12:05:00", true);
    QCOMPARE(rig.answers(), after);
    QVERIFY(closer.seen.isEmpty());
}

void TestCorrections::refusingLogChangesNothing_data()
{
    QTest::addColumn<QString>("refusal");
    QTest::addColumn<QString>("action");
    for (const char *refusal : {"locked", "read-only"}) {
        for (const char *action : {"F2", "Delete", "undo"})
            QTest::newRow(qPrintable(QString("%1, %2").arg(refusal, action))) << refusal << action;
    }
}

void TestCorrections::refusingLogChangesNothing()
{
    QFETCH(QString, refusal);
    QFETCH(QString, action);
    // Before any table for summaries: nothing depends on it.
    Rig rig(false);
    LogFile other(rig.box.logPath());
    rig.open(0);
    QVERIFY(rig.pick("beta@10:00"));
    QStringList expected = kStart;
    if (action == "undo") {
        rig.key(Qt::Key_Delete);
        expected.removeAll("2026-03-10 10:00:00 beta");
        QTRY_COMPARE(rig.answers(), expected);
        rig.settle();
    }
    if (refusal == "locked")
        QVERIFY(other.exec("BEGIN EXCLUSIVE"));
    else
        QVERIFY(rig.writer()->configure("PRAGMA query_only=ON"));
    MessageBoxCloser closer;
    if (action == "F2") {
        QVERIFY(rig.type("Email"));
    } else if (action == "Delete") {
        QVERIFY(rig.pick("beta@10:00"));
        rig.key(Qt::Key_Delete);
    } else {
        rig.undo();
    }
    QTRY_COMPARE(closer.seen.size(), 1);
    QCOMPARE(closer.seen[0].title, "Error");
    QVERIFY2(closer.seen[0].text.contains("nothing was changed"), qPrintable(closer.seen[0].text));
    if (refusal == "locked")
        QVERIFY(other.exec("ROLLBACK"));
    else
        QVERIFY(rig.writer()->configure("PRAGMA query_only=OFF"));
    QCOMPARE(rig.answers(), expected);
    // What the log refused can be asked for again.
    if (action == "undo") {
        rig.undo();
        QTRY_COMPARE(rig.answers(), kStart);
    }
    QCOMPARE(closer.seen.size(), 1);
}

void TestCorrections::rowsChangedMeanwhileAreNotClobbered_data()
{
    QTest::addColumn<int>("view");
    QTest::addColumn<QString>("action");
    QTest::newRow("edit") << 0 << "F2";
    QTest::newRow("delete") << 0 << "Delete";
    QTest::newRow("a day's answers") << 1 << "F2";
    QTest::newRow("undo") << 0 << "undo";
}

void TestCorrections::rowsChangedMeanwhileAreNotClobbered()
{
    QFETCH(int, view);
    QFETCH(QString, action);
    Rig rig;
    rig.open(view);
    QVERIFY(rig.pick(view == 0 ? "beta@10:00" : "beta"));
    if (action == "undo") {
        QVERIFY(rig.type("gamma"));
        QTRY_VERIFY(rig.answers().contains("2026-03-10 10:00:00 gamma"));
        rig.settle();
    }
    // Another program changes the answer after the dialog read it.
    QVERIFY(rig.log->exec("UPDATE ActivityLog SET ActText = 'theirs' WHERE ActDate = '2026-03-10 10:00:00'"));
    const QStringList theirs = rig.answers();
    MessageBoxCloser closer;
    if (action == "F2")
        QVERIFY(rig.type("Email"));
    else if (action == "Delete")
        rig.key(Qt::Key_Delete);
    else
        rig.undo();
    QTRY_COMPARE(closer.seen.size(), 1);
    QVERIFY2(closer.seen[0].text.contains("changed or deleted meanwhile"), qPrintable(closer.seen[0].text));
    QCOMPARE(rig.answers(), theirs);
    // The tree shows their text now.
    rig.settle();
    QVERIFY(rig.pick(view == 0 ? "theirs@10:00" : "theirs"));
}

void TestCorrections::undoLastsWhileTheDialogIsOpen()
{
    Rig rig;
    rig.open(0);
    QVERIFY(rig.pick("beta@10:00"));
    rig.key(Qt::Key_Delete);
    QTRY_VERIFY(!rig.answers().contains("2026-03-10 10:00:00 beta"));
    rig.settle();
    rig.dialog->close();
    rig.dialog->show();
    QVERIFY(!rig.dialog->findChild<QAction *>("actUndo")->isEnabled());
    rig.undo();
    QTest::qWait(50);
    QVERIFY(!rig.answers().contains("2026-03-10 10:00:00 beta"));
}

void TestCorrections::rightClickOffersCorrections()
{
    Rig rig;
    rig.open(0);
    QVERIFY(rig.pick("beta@10:00"));
    QStringList offered;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *menu = qobject_cast<QMenu *>(w);
            if (!menu || !menu->isVisible())
                continue;
            for (QAction *action : menu->actions())
                if (!action->isSeparator())
                    offered << action->text() + (action->isEnabled() ? "" : " (off)");
            menu->close();
        }
    });
    look.start(20);
    const QRect row = rig.tree()->visualRect(rig.tree()->currentIndex());
    emit rig.tree()->customContextMenuRequested(row.center());
    QCOMPARE(offered, QStringList({"Edit", "Delete", "Rename everywhere...", "Add answer...", "Undo (off)"}));
}

QTEST_MAIN(TestCorrections)
#include "tst_corrections.moc"
