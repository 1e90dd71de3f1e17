// The user's rules: how they match windows, how the sampler keeps what they
// rule out off the disk, and what a hand-edited log's rules do.
#include "logwriter.h"
#include "recordcontrol.h"
#include "rulesdialog.h"
#include "ruleset.h"
#include "rulestore.h"
#include "sampler.h"
#include "testsupport.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTreeWidget>

using namespace TestSupport;

Q_DECLARE_METATYPE(Rule)
Q_DECLARE_METATYPE(RuleSet::Keep)

namespace {

using Keep = RuleSet::Keep;

Rule rule(Rule::Action action, const QString &program, const QString &title,
          Rule::Syntax syntax = Rule::Syntax::Wildcard, bool caseSensitive = false)
{
    Rule r;
    r.action = action;
    r.program = program;
    r.title = title;
    r.syntax = syntax;
    r.caseSensitive = caseSensitive;
    return r;
}

constexpr auto Wild = Rule::Syntax::Wildcard;
constexpr auto Regex = Rule::Syntax::RegularExpression;
constexpr auto Hide = Rule::Action::HideTitle;
constexpr auto Skip = Rule::Action::DontRecord;

// Stores rules in a log or template as a hand or an older dialog would.
void storeRules(LogFile &log, const QList<QVariantList> &rows)
{
    QVERIFY(log.exec("DELETE FROM Rules"));
    int position = 0;
    for (const QVariantList &r : rows)
        QVERIFY(log.exec("INSERT INTO Rules (Position, Program, Title, Syntax, Action) VALUES (?, ?, ?, ?, ?)",
                         QVariantList{++position} + r));
}

// The titles tst_x11hostile stages, as the log keeps them.
QStringList hostileTitles()
{
    QString huge;
    while (huge.size() < 1024 * 1024)
        huge += QStringLiteral("title \U0001F600 ");
    return {truncateForLog(huge), truncateForLog(QString(1024 * 1024, QChar(0xe9))), QString(1023, QLatin1Char('a')),
            QString(1022, QLatin1Char('a')) + QLatin1Char('!'), QStringLiteral("a\x01" "b\0c\x7f\td\r\ne\x1b[31m")};
}

} // namespace

class TestRules : public QObject
{
    Q_OBJECT

private slots:
    void matching_data();
    void matching();
    void problems_data();
    void problems();
    void categoriesFirstMatchWins();
    void hostilePatternsGiveUp();
    void samplerKeepsRuledOutOffTheLog();
    void tooSlowRulesRecordNothing();
    void privateBrowsingIsHiddenByDefault();
    void badStoredRulesAreSkippedOnce();
    void storedAsGiven();
    void dialogRefusesWhatCannotBeUsed();
    void dialogPreviewsTheLastWeek();
    void rulesFromTheTrayApplyAndAreStored();
};

void TestRules::matching_data()
{
    QTest::addColumn<QList<Rule>>("rules");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("title");
    QTest::addColumn<Keep>("expected");
    const QString ff = "/usr/lib/firefox/firefox";
    QTest::newRow("title wildcard, any case") << QList<Rule>{rule(Skip, "", "*bank*")} << ff << "My BANK account" << Keep::Nothing;
    QTest::newRow("wildcard is the whole title") << QList<Rule>{rule(Skip, "", "bank")} << ff << "My bank" << Keep::Everything;
    QTest::newRow("? is one character") << QList<Rule>{rule(Skip, "", "Inbox (?)*")} << ff << "Inbox (7) - Mail" << Keep::Nothing;
    QTest::newRow("* across slashes") << QList<Rule>{rule(Skip, "", "*bank*")} << ff << "a/b bank/c" << Keep::Nothing;
    QTest::newRow("case-sensitive wildcard") << QList<Rule>{rule(Skip, "", "*Bank*", Wild, true)} << ff << "my bank" << Keep::Everything;
    QTest::newRow("program file name") << QList<Rule>{rule(Hide, "firefox", "")} << ff << "x" << Keep::WithoutTitle;
    QTest::newRow("program name is whole") << QList<Rule>{rule(Hide, "firefox", "")} << "/usr/bin/firefox-esr" << "x" << Keep::Everything;
    QTest::newRow("Windows program without .exe") << QList<Rule>{rule(Hide, "FireFox", "")}
                                                  << "C:\\Program Files\\Mozilla Firefox\\firefox.exe" << "x" << Keep::WithoutTitle;
    QTest::newRow("program full path") << QList<Rule>{rule(Hide, "/usr/lib/*", "")} << ff << "x" << Keep::WithoutTitle;
    QTest::newRow("program and title both") << QList<Rule>{rule(Hide, "xterm", "*diag*")} << ff << "diagnosis" << Keep::Everything;
    QTest::newRow("regex searches the title") << QList<Rule>{rule(Skip, "", "inbox \\(\\d+\\)", Regex)} << ff
                                              << "Mail: Inbox (3)" << Keep::Nothing;
    QTest::newRow("regex ^ is the file name's start") << QList<Rule>{rule(Hide, "^fire", "", Regex)} << ff << "x"
                                                      << Keep::WithoutTitle;
    QTest::newRow("regex in the path") << QList<Rule>{rule(Hide, "lib/fire", "", Regex)} << ff << "x" << Keep::WithoutTitle;
    QTest::newRow("case-sensitive regex") << QList<Rule>{rule(Skip, "", "BANK", Regex, true)} << ff << "bank" << Keep::Everything;
    QTest::newRow("don't record beats hide, whatever the order")
        << QList<Rule>{rule(Hide, "", "*bank*"), rule(Skip, "firefox", "")} << ff << "bank" << Keep::Nothing;
    Rule category = rule(Rule::Action::Category, "firefox", "");
    category.category = "Web";
    QTest::newRow("categories keep everything") << QList<Rule>{category} << ff << "bank" << Keep::Everything;
    QTest::newRow("unusable rules are left out") << QList<Rule>{rule(Skip, "", "(", Regex), rule(Skip, "", "")} << ff
                                                 << "(" << Keep::Everything;
}

void TestRules::matching()
{
    QFETCH(QList<Rule>, rules);
    QFETCH(QString, path);
    QFETCH(QString, title);
    QFETCH(Keep, expected);
    QCOMPARE(RuleSet(rules).keep(path, title), expected);
}

void TestRules::problems_data()
{
    QTest::addColumn<Rule>("r");
    QTest::addColumn<QString>("problem");
    QTest::newRow("fine") << rule(Skip, "", "(a|b)+", Regex) << "";
    QTest::newRow("bad expression") << rule(Skip, "", "ab(c", Regex) << "Title: missing closing parenthesis (at character 5)";
    QTest::newRow("bad program expression") << rule(Skip, "[a", "", Regex) << "Program: missing terminating ] for character class (at character 3)";
    QTest::newRow("own limits") << rule(Skip, "", "(*LIMIT_MATCH=99999999)a", Regex)
                                << "Title: Limits of its own are not allowed in an expression.";
    QTest::newRow("no pattern") << rule(Skip, "", "") << "Give a program, a title or both.";
    QTest::newRow("too long") << rule(Skip, "", QString(1024, 'a')) << "A pattern may be at most 1023 characters long.";
    QTest::newRow("unnamed category") << rule(Rule::Action::Category, "x", "") << "Give the category a name.";
}

void TestRules::problems()
{
    QFETCH(Rule, r);
    QFETCH(QString, problem);
    QCOMPARE(RuleSet::problem(r), problem);
}

void TestRules::categoriesFirstMatchWins()
{
    Rule mail = rule(Rule::Action::Category, "", "*inbox*");
    mail.category = "Email";
    Rule web = rule(Rule::Action::Category, "firefox", "");
    web.category = "Web";
    Rule mail2 = rule(Rule::Action::Category, "thunderbird", "");
    mail2.category = " Email ";
    const RuleSet set({mail, web, mail2});
    QCOMPARE(set.categories(), QStringList({"Email", "Web"}));
    QCOMPARE(set.category("/usr/bin/firefox", "Inbox (2)"), 0);
    QCOMPARE(set.category("/usr/bin/firefox", "News"), 1);
    QCOMPARE(set.category("/usr/bin/thunderbird", "News"), 0);
    QCOMPARE(set.category("/usr/bin/xterm", "News"), -1);
}

void TestRules::hostilePatternsGiveUp()
{
    // Nested repetition on long titles: the expressions give up instead of
    // backtracking for seconds, and a window they cannot rule out is kept
    // out. None of these truly matches, so a verdict other than Everything
    // shows that the bound acted.
    const QStringList titles = hostileTitles();
    for (const QString &pattern : {QStringLiteral("(a+)+$"), QStringLiteral("^(\\w+\\s?)*$"),
                                   QStringLiteral("(.*a){12}$"), QStringLiteral("(a|aa)+$")}) {
        const RuleSet hide({rule(Hide, "", pattern + QStringLiteral("(?!)"), Regex)});
        for (const QString &title : titles.mid(2, 2))
            QVERIFY2(hide.keep("/usr/bin/x", title) == Keep::WithoutTitle, qPrintable(pattern));
    }
    // Thousands of wildcards, each a quarter million steps on these titles:
    // the budget ends the sample's rules undecided.
    QList<Rule> slow;
    for (int i = 0; i < 2000; ++i)
        slow.append(rule(Skip, "", QLatin1Char('*') + QString(511, QLatin1Char('a')) + QLatin1Char('b')));
    const RuleSet budget(slow);
    for (const QString &title : titles.mid(2, 2))
        QCOMPARE(budget.keep("/usr/bin/x", title), Keep::Undecided);
    // A rule that can decide does: no false alarm on ordinary titles.
    const RuleSet plain({rule(Skip, "", "*zzz*"), rule(Hide, "", "q{2,}x", Regex)});
    for (const QString &title : titles)
        QCOMPARE(plain.keep("/usr/bin/x", title), Keep::Everything);
}

void TestRules::samplerKeepsRuledOutOffTheLog()
{
    Harness h([](LogFile &t) {
        storeRules(t, {{"", "*secret*", "wildcard", "dont-record"}, {"editor", "", "wildcard", "hide-title"}});
    });
    const auto tick = [&h](const QString &path, const QString &title, int times) {
        h.fake.show(path, title);
        for (int i = 0; i < times; ++i)
            h.invoke("OnTimerPrograms");
    };
    tick("/usr/bin/term", "shell", 2);
    tick("/usr/bin/term", "top secret plans", 3); // not recorded: ends the row before
    tick("/usr/bin/term", "shell", 1);
    tick("/usr/bin/editor", "diary.txt", 2); // hidden titles are one row
    tick("/usr/bin/editor", "letters.txt", 3);
    tick("/usr/bin/editor", "my secret", 1);
    tick("/usr/bin/editor", "diary.txt", 1);
    QCOMPARE(h.log->rows("SELECT AppFileName, AppTitle, Duration FROM ApplicationLog ORDER BY ROWID"),
             QList<QVariantList>({{"/usr/bin/term", "shell", 10},
                                  {"/usr/bin/term", "shell", 5},
                                  {"/usr/bin/editor", Sampler::hiddenTitle(), 25},
                                  {"/usr/bin/editor", Sampler::hiddenTitle(), 5}}));
    h.window.reset();
    releaseDefaultConnection();
    for (const QString &file : {h.box.logPath(), h.box.logPath() + "-wal"}) {
        const QByteArray bytes = fileBytes(file);
        for (const char *text : {"plans", "diary", "letters"})
            QVERIFY2(!bytes.contains(text), text);
    }
}

void TestRules::tooSlowRulesRecordNothing()
{
    // Rules that cannot judge a window within the budget, twice over: it is
    // not recorded. A window they judge in time is.
    Harness h([](LogFile &t) {
        QList<QVariantList> slow;
        for (int i = 0; i < 2000; ++i)
            slow.append({"", QLatin1Char('*') + QString(511, QLatin1Char('a')) + QLatin1Char('b'), "wildcard",
                         "dont-record"});
        storeRules(t, slow);
    });
    h.fake.show("/usr/bin/term", QString(1023, QLatin1Char('a')));
    h.invoke("OnTimerPrograms");
    h.fake.show("/usr/bin/term", "short");
    h.invoke("OnTimerPrograms");
    QCOMPARE(h.log->rows("SELECT AppTitle FROM ApplicationLog"), QList<QVariantList>({{"short"}}));
}

void TestRules::privateBrowsingIsHiddenByDefault()
{
    Harness h;
    QCOMPARE(h.log->value("SELECT COUNT(*) FROM Rules").toInt(), 3);
    const QStringList titles = {"Tax forms \u2014 Mozilla Firefox Private Browsing", "Clinic - Google Chrome (Incognito)",
                                "Clinic - Chromium (Incognito)", "New InPrivate tab - [InPrivate] - Microsoft Edge",
                                "Ordinary page \u2014 Mozilla Firefox"};
    for (const QString &title : titles) {
        h.fake.show("/usr/bin/browser", title);
        h.invoke("OnTimerPrograms");
    }
    QCOMPARE(h.log->rows("SELECT AppTitle FROM ApplicationLog ORDER BY ROWID"),
             QList<QVariantList>({{Sampler::hiddenTitle()}, {titles.last()}}));
}

void TestRules::badStoredRulesAreSkippedOnce()
{
    Harness h([](LogFile &t) {
        storeRules(t, {{"", "(unclosed", "regex", "dont-record"},
                       {"", "*x*", "wildcard", "shred"},
                       {"", "*secret*", "wildcard", "dont-record"}});
    });
    auto *control = h.window->findChild<RecordControl *>();
    QVERIFY(control);
    QCOMPARE(control->notices().size(), 1);
    QVERIFY2(control->notices()[0].contains("(unclosed") && control->notices()[0].contains("\"shred\""),
             qPrintable(control->notices()[0]));
    QVERIFY(!control->notices()[0].contains("*secret*"));
    for (const QString &title : {"a secret", "(unclosed", "x"}) {
        h.fake.show("/usr/bin/term", title);
        h.invoke("OnTimerPrograms");
    }
    QCOMPARE(control->notices().size(), 1);
    QCOMPARE(h.log->rows("SELECT AppTitle FROM ApplicationLog ORDER BY ROWID"),
             QList<QVariantList>({{"(unclosed"}, {"x"}}));
}

void TestRules::storedAsGiven()
{
    Harness h;
    Rule category = rule(Rule::Action::Category, "", "*inbox*", Wild, true);
    category.category = "Email";
    const QList<Rule> rules = {rule(Skip, QString(), "*bank*"), rule(Hide, "^term$", QString(), Regex), category};
    QVERIFY(h.window->findChild<LogWriter *>()->transact(RuleStore::replaceStatements(rules)));
    const RuleStore::Loaded loaded = RuleStore::load(h.log->db());
    QCOMPARE(loaded.rules, rules);
    QCOMPARE(loaded.problems, QStringList({"", "", ""}));
}

void TestRules::dialogRefusesWhatCannotBeUsed()
{
    // A stored rule with an action this kesto does not know, and a good one.
    RulesDialog dialog({rule(Hide, "", "*x*"), rule(Skip, "", "*bank*")}, {"unknown action \"shred\"", ""});
    QPushButton *ok = dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
    auto *problem = dialog.findChild<QLabel *>("lblProblem");
    auto *syntax = dialog.findChild<QComboBox *>("cmbSyntax");
    auto *title = dialog.findChild<QLineEdit *>("txtTitle");
    QVERIFY(!ok->isEnabled());
    QCOMPARE(problem->text(), QStringLiteral("unknown action \"shred\""));
    // Chosen again, the action is one it knows.
    dialog.findChild<QComboBox *>("cmbAction")->setCurrentIndex(0);
    QVERIFY(ok->isEnabled());
    syntax->setCurrentIndex(1);
    const QList<QPair<QString, QString>> expressions = {
        {"ab(", "Title: missing closing parenthesis (at character 4)"},
        {"(a+)+$", "This expression takes too long on long titles (nested repetition such as (a+)+?)."},
        {"", "Give a program, a title or both."},
        {"^Inbox \\(\\d+\\)", ""}};
    for (const auto &[text, said] : expressions) {
        title->setText(text);
        QCOMPARE(problem->text(), said);
        QCOMPARE(ok->isEnabled(), said.isEmpty());
    }
    QCOMPARE(dialog.rules().first().title, QStringLiteral("^Inbox \\(\\d+\\)"));
    QCOMPARE(dialog.rules().first().syntax, Rule::Syntax::RegularExpression);
    title->setText("((");
    dialog.findChild<QPushButton *>("cmdRemove")->click();
    QVERIFY(ok->isEnabled());
    QCOMPARE(dialog.rules().size(), 1);
    QCOMPARE(dialog.rules().first().title, QStringLiteral("*bank*"));
}

void TestRules::dialogPreviewsTheLastWeek()
{
    Harness h;
    const QDateTime now = QDateTime::currentDateTime();
    const auto program = [&](const QString &path, const QString &title, int daysAgo, int seconds) {
        QVERIFY(h.log->exec("INSERT INTO ApplicationLog (AppFileName, AppTitle, AppDate, Duration) VALUES (?, ?, ?, ?)",
                            {path, title, now.addDays(-daysAgo).toString("yyyy-MM-dd HH:mm:ss"), seconds}));
    };
    program("/usr/lib/firefox/firefox", "Bank of Tests - Firefox", 1, 300);
    program("/usr/lib/firefox/firefox", "Bank of Tests - Firefox", 2, 60);
    program("/usr/bin/okular", "bank statement.pdf", 2, 60);
    program("/usr/lib/firefox/firefox", "old bank", 8, 100);
    program("/usr/lib/firefox/firefox", "news", 0, 50);
    RulesDialog dialog({}, {});
    dialog.setDatabase(h.log->db(), now);
    dialog.findChild<QPushButton *>("cmdAdd")->click();
    dialog.findChild<QLineEdit *>("txtTitle")->setText("*bank*");
    QTRY_COMPARE(dialog.previewCount(), 2);
    QCOMPARE(dialog.findChild<QTreeWidget *>("tvwPreview")->topLevelItemCount(), 2);
    QVERIFY2(dialog.findChild<QLabel *>("lblPreview")->text().endsWith(": 2 (00:07:00)"),
             qPrintable(dialog.findChild<QLabel *>("lblPreview")->text()));
    dialog.findChild<QLineEdit *>("txtProgram")->setText("firefox");
    QTRY_COMPARE(dialog.previewCount(), 1);
    dialog.findChild<QLineEdit *>("txtProgram")->setText("(");
    dialog.findChild<QComboBox *>("cmbSyntax")->setCurrentIndex(1);
    QTRY_COMPARE(dialog.previewCount(), -1);
}

void TestRules::rulesFromTheTrayApplyAndAreStored()
{
    Harness h;
    // Adds a rule in the dialog, as a user would, and takes the rules.
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&user] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->objectName() != "RulesDialog" || !w->isVisible())
                continue;
            user.stop();
            w->findChild<QPushButton *>("cmdAdd")->click();
            w->findChild<QLineEdit *>("txtProgram")->setText("editor");
            w->findChild<QComboBox *>("cmbAction")->setCurrentIndex(0);
            w->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
        }
    });
    user.start(20);
    for (QAction *a : h.window->findChild<QSystemTrayIcon *>()->contextMenu()->actions())
        if (a->text() == "Rules...")
            a->trigger();
    QCOMPARE(h.log->value("SELECT COUNT(*) FROM Rules").toInt(), 4);
    QCOMPARE(h.log->value("SELECT Action FROM Rules WHERE Program = 'editor'").toString(), QStringLiteral("dont-record"));
    for (int round = 0; round < 2; ++round) {
        h.fake.show("/usr/bin/editor", "diary.txt");
        h.invoke("OnTimerPrograms");
        h.fake.show("/usr/bin/term", QStringLiteral("shell %1").arg(round));
        h.invoke("OnTimerPrograms");
        h.restart();
    }
    QCOMPARE(h.log->rows("SELECT AppTitle FROM ApplicationLog ORDER BY ROWID"),
             QList<QVariantList>({{"shell 0"}, {"shell 1"}}));
}

QTEST_MAIN(TestRules)
#include "tst_rules.moc"
