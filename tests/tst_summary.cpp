// The summary's pictures and dialogs: what a screen reader and a tooltip say,
// drawing in a dark palette and at twice the scale, the tray entry and
// kesto --summary, and the activity log's day leading to its timeline.
#include "barlist.h"
#include "columnchart.h"
#include "reachability.h"
#include "reporttree.h"
#include "searchdialog.h"
#include "summarydialog.h"
#include "testsupport.h"
#include "timelinedialog.h"
#include "timelinewidget.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QHelpEvent>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTest>
#include <QToolTip>

using namespace TestSupport;

namespace {

QDateTime at(const char *text)
{
    return QDateTime::fromString(QString::fromLatin1(text), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

Summary twoDays()
{
    Summary s;
    s.from = QDate(2026, 3, 2);
    s.to = QDate(2026, 3, 3);
    s.recorded = 4 * 3600;
    s.away = 1800;
    s.categories = {{"Work", 3 * 3600}, {"", 3600}};
    s.programs = {{"/usr/bin/xterm", 9000}, {"/usr/lib/firefox/firefox", 5400}};
    s.answers = {{"Writing the report", 7200}, {"Mail", 1800}};
    s.stackKeys = {"Work", ""};
    s.columns = {{QDate(2026, 3, 2), QDate(2026, 3, 2), {3600, 1800}, 1800},
                 {QDate(2026, 3, 3), QDate(2026, 3, 3), {7200, 1800}, 0}};
    s.joined = {{"Writing the report", 7200, {{"/usr/bin/xterm", 6000}}}};
    s.complete = true;
    return s;
}

TimelineDay oneDay()
{
    TimelineDay d;
    d.day = QDate(2026, 3, 2);
    d.stretches = {{at("2026-03-02 09:00:00"), 1800, "/usr/bin/xterm", "make test", "Work"},
                   {at("2026-03-02 09:30:00"), 600, "/usr/lib/firefox/firefox", "Mail — Inbox", ""}};
    d.answers = {{at("2026-03-02 09:45:00"), "Writing the report"}};
    d.away = {{at("2026-03-02 09:40:00"), at("2026-03-02 10:00:00")}};
    return d;
}

// Fixed figures, and what was asked of them.
class FixedSource : public InsightSource
{
public:
    void read(const QDate &from, const QDate &to, std::function<void(const Summary &)> ready) override
    {
        Summary s = twoDays();
        s.from = from;
        s.to = to;
        ready(s);
    }
    void cancel() override {}
    TimelineDay timeline(const QDate &day) override
    {
        days << day;
        TimelineDay d = oneDay();
        d.day = day;
        return d;
    }
    QString writeTimesheet(const QDate &from, const QDate &to, Sheet sheet, const QString &fileName) override
    {
        sheets << QStringLiteral("%1 %2 %3 %4")
                      .arg(from.toString(Qt::ISODate), to.toString(Qt::ISODate))
                      .arg(sheet == Sheet::Answer ? "answer" : "category", QFileInfo(fileName).fileName());
        return refusal;
    }
    QList<QDate> days;
    QStringList sheets;
    QString refusal;
};

std::unique_ptr<ChartWidget> chart(const QString &kind, QWidget *parent = nullptr)
{
    if (kind == "categories") {
        auto list = std::make_unique<BarList>(parent);
        list->setEmptyName("No category");
        list->setShareText("%1 of the recorded time");
        list->setColoured(twoDays().stackKeys);
        list->setEntries(twoDays().categories, twoDays().recorded);
        return list;
    }
    if (kind == "programs") {
        auto list = std::make_unique<BarList>(parent);
        list->setNames(BarList::Names::Programs);
        list->setEntries(twoDays().programs, twoDays().recorded);
        return list;
    }
    if (kind == "columns") {
        auto columns = std::make_unique<ColumnChart>(parent);
        columns->setRestName("No category");
        columns->setSummary(twoDays(), false);
        return columns;
    }
    auto timeline = std::make_unique<TimelineWidget>(parent);
    timeline->setDay(oneDay());
    return timeline;
}

QPalette darkPalette()
{
    QPalette p;
    p.setColor(QPalette::Window, QColor(0x20, 0x20, 0x20));
    p.setColor(QPalette::WindowText, QColor(0xee, 0xee, 0xee));
    p.setColor(QPalette::Base, QColor(0x18, 0x18, 0x18));
    p.setColor(QPalette::Text, QColor(0xee, 0xee, 0xee));
    p.setColor(QPalette::Highlight, QColor(0x3d, 0xae, 0xe9));
    return p;
}

QPalette lightPalette()
{
    QPalette p;
    p.setColor(QPalette::Window, QColor(0xf4, 0xf4, 0xf4));
    p.setColor(QPalette::WindowText, Qt::black);
    p.setColor(QPalette::Highlight, QColor(0x30, 0x8c, 0xc6));
    return p;
}

} // namespace

class TestSummary : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void screenReaderText_data();
    void screenReaderText();
    void toolTipAtPoint_data();
    void toolTipAtPoint();
    void colorsReadInBothPalettes();
    void drawsDarkAndAtTwiceTheScale_data();
    void drawsDarkAndAtTwiceTheScale();
    void presets_data();
    void presets();
    void dialogShowsTheFigures();
    void trayAndCommandOpenTheSummary();
    void logDayOpensTheTimeline();
    void languageChange();
};

void TestSummary::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TestSummary::screenReaderText_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("entries");
    QTest::newRow("categories") << "categories"
                                << QStringList{"Work: 3.0 h (3:00:00), 75.0 % of the recorded time",
                                               "No category: 1.0 h (1:00:00), 25.0 % of the recorded time"};
    QTest::newRow("programs, by file name") << "programs"
                                            << QStringList{"xterm: 2.5 h (2:30:00), 62.5 %\n/usr/bin/xterm",
                                                           "firefox: 1.5 h (1:30:00), 37.5 %\n/usr/lib/firefox/firefox"};
    QTest::newRow("columns, away apart")
        << "columns"
        << QStringList{"Monday, March 2, 2026: 1.5 h recorded (1:30:00): Work 1.0 h, No category 0.5 h; away 0.5 h (0:30:00)",
                       "Tuesday, March 3, 2026: 2.5 h recorded (2:30:00): Work 2.0 h, No category 0.5 h; away 0.0 h (0:00:00)"};
    QTest::newRow("timeline, in time order")
        << "timeline"
        << QStringList{"09:00:00 to 09:30:00 (0:30:00): xterm – make test [Work]",
                       "09:30:00 to 09:40:00 (0:10:00): firefox – Mail — Inbox",
                       "09:40:00 to 10:00:00 (0:20:00): away", "09:45:00: answered \"Writing the report\""};
}

void TestSummary::screenReaderText()
{
    QFETCH(QString, kind);
    QFETCH(QStringList, entries);
    QWidget window;
    ChartWidget *widget = chart(kind, &window).release();
    widget->resize(widget->sizeHint());
    QAccessibleInterface *a11y = QAccessible::queryAccessibleInterface(widget);
    QVERIFY(a11y);
    QCOMPARE(a11y->role(), QAccessible::List);
    QStringList read;
    for (int i = 0; i < a11y->childCount(); ++i) {
        QCOMPARE(a11y->child(i)->role(), QAccessible::ListItem);
        QCOMPARE(a11y->indexOfChild(a11y->child(i)), i);
        read << a11y->child(i)->text(QAccessible::Name);
    }
    QCOMPARE(read, entries);
    // Readers that take the description get the same lines.
    QCOMPARE(a11y->text(QAccessible::Description), entries.join('\n'));
}

void TestSummary::toolTipAtPoint_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("bars") << "categories";
    QTest::newRow("columns") << "columns";
    QTest::newRow("timeline") << "timeline";
}

void TestSummary::toolTipAtPoint()
{
    QFETCH(QString, kind);
    QWidget window;
    ChartWidget *widget = chart(kind, &window).release();
    widget->resize(widget->sizeHint());
    window.resize(widget->size());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    for (int i = 0; i < widget->entryCount(); ++i) {
        const QRect r = widget->entryRect(i);
        QVERIFY2(!r.isEmpty(), qPrintable(QString::number(i)));
        QCOMPARE(widget->entryAt(r.center()), i);
        QHelpEvent help(QEvent::ToolTip, r.center(), widget->mapToGlobal(r.center()));
        QApplication::sendEvent(widget, &help);
        QCOMPARE(QToolTip::text(), widget->entryText(i));
    }
    // Beyond the last entry there is nothing to tell.
    QCOMPARE(widget->toolTipAt(QPoint(widget->width() + 5, widget->height() + 5)), QString());
    QToolTip::hideText();
}

void TestSummary::colorsReadInBothPalettes()
{
    // Graphical objects need a contrast of 3:1 with what is around them.
    for (const QPalette &palette : {lightPalette(), darkPalette()}) {
        const QColor window = palette.color(QPalette::Window);
        for (int n = 0; n < 20; ++n)
            QVERIFY2(ChartWidget::contrast(ChartWidget::seriesColor(n, palette), window) >= 3.0,
                     qPrintable(QStringLiteral("colour %1 on %2").arg(n).arg(window.name())));
        QVERIFY(ChartWidget::contrast(ChartWidget::restColor(palette), window) >= 3.0);
    }
}

void TestSummary::drawsDarkAndAtTwiceTheScale_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("dark");
    QTest::addColumn<qreal>("scale");
    for (const char *kind : {"categories", "columns", "timeline"}) {
        QTest::addRow("%s, light, 1", kind) << kind << false << 1.0;
        QTest::addRow("%s, dark, 2", kind) << kind << true << 2.0;
    }
}

void TestSummary::drawsDarkAndAtTwiceTheScale()
{
    QFETCH(QString, kind);
    QFETCH(bool, dark);
    QFETCH(qreal, scale);
    QWidget window;
    ChartWidget *widget = chart(kind, &window).release();
    widget->setPalette(dark ? darkPalette() : lightPalette());
    widget->resize(widget->sizeHint());
    QImage image(widget->size() * scale, QImage::Format_ARGB32);
    image.setDevicePixelRatio(scale);
    image.fill(widget->palette().color(QPalette::Window));
    widget->render(&image);
    QCOMPARE(widget->grab().isNull(), false);
    // The first series is drawn, and it is not the background.
    const QColor first = ChartWidget::seriesColor(0, widget->palette());
    const QRect r = widget->entryRect(0);
    bool found = false;
    for (int y = int(r.top() * scale); y < int(r.bottom() * scale) && !found; ++y)
        for (int x = int(r.left() * scale); x < int(r.right() * scale) && !found; ++x)
            found = image.pixel(x, y) == first.rgb();
    QVERIFY(found);
}

void TestSummary::presets_data()
{
    QTest::addColumn<int>("preset");
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    // Wednesday 4 March 2026, weeks from Monday.
    QTest::newRow("today") << int(SummaryDialog::Today) << QDate(2026, 3, 4) << QDate(2026, 3, 4);
    QTest::newRow("this week") << int(SummaryDialog::ThisWeek) << QDate(2026, 3, 2) << QDate(2026, 3, 8);
    QTest::newRow("last week") << int(SummaryDialog::LastWeek) << QDate(2026, 2, 23) << QDate(2026, 3, 1);
    QTest::newRow("last month") << int(SummaryDialog::LastMonth) << QDate(2026, 2, 1) << QDate(2026, 2, 28);
    QTest::newRow("this year") << int(SummaryDialog::ThisYear) << QDate(2026, 1, 1) << QDate(2026, 12, 31);
}

void TestSummary::presets()
{
    QFETCH(int, preset);
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    const auto range = SummaryDialog::presetRange(preset, QDate(2026, 3, 4), Qt::Monday);
    QCOMPARE(range.first, from);
    QCOMPARE(range.second, to);
}

void TestSummary::dialogShowsTheFigures()
{
    FixedSource source;
    auto *dialog = new SummaryDialog(&source);
    dialog->setRange(QDate(2026, 3, 2), QDate(2026, 3, 3));
    QCOMPARE(dialog->findChild<QLabel *>("lblTotals")->text(), "Recorded: 4.0 h (4:00:00) · Away: 0.5 h (0:30:00)");
    QCOMPARE(dialog->findChild<BarList *>("barPrograms")->entryCount(), 2);
    QTreeWidget *joined = dialog->findChild<QTreeWidget *>("tvwJoined");
    QCOMPARE(joined->topLevelItemCount(), 1);
    QCOMPARE(joined->topLevelItem(0)->child(0)->text(0), "xterm");
    // A column leads to its day's timeline.
    auto *columns = dialog->findChild<ColumnChart *>("chtColumns");
    QTimer::singleShot(50, [&] {
        if (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
    });
    emit columns->entryActivated(1);
    QCOMPARE(source.days, QList<QDate>{QDate(2026, 3, 3)});

    // The timesheet of the range, to the file chosen; a failure is said in a box.
    Sandbox box;
    {
        FileDialogAnswer answer(box.work() + "/week.csv");
        dialog->findChild<QPushButton *>("cmdTimesheet")->click();
        QVERIFY(answer.shown);
    }
    QCOMPARE(source.sheets, QStringList{"2026-03-02 2026-03-03 answer week.csv"});
    source.refusal = "disk full";
    MessageBoxCloser closer;
    {
        FileDialogAnswer answer(box.work() + "/week.csv");
        dialog->findChild<QPushButton *>("cmdTimesheet")->click();
    }
    QCOMPARE(closer.seen.size(), 1);
    QCOMPARE(closer.seen[0].title, "Error");
    QVERIFY(closer.seen[0].text.endsWith("week.csv:\ndisk full"));
    delete dialog;
}

void TestSummary::trayAndCommandOpenTheSummary()
{
    // kesto --summary reaches the slot the tray entry runs.
    bool listed = false;
    for (const Reachability::Command &command : Reachability::commands())
        listed |= QByteArray(command.name) == "summary" && QByteArray(command.slot) == "menuSummary_Click";
    QVERIFY(listed);

    Harness h;
    QVERIFY(h.log->exec("INSERT INTO ApplicationLog VALUES ('/usr/bin/xterm', 'make', "
                        "datetime('now', 'localtime', 'start of day', '+9 hours'), 3600)"));
    QAction *summary = nullptr;
    for (QAction *a : h.window->findChild<QSystemTrayIcon *>()->contextMenu()->actions()) {
        if (a->text() == "Summary...")
            summary = a;
    }
    QVERIFY(summary);
    QVERIFY(h.window->metaObject()->indexOfSlot("menuSummary_Click()") >= 0);
    bool shown = false;
    qint64 recorded = -1;
    QTimer::singleShot(50, [&] {
        auto *dialog = h.window->findChild<SummaryDialog *>();
        if (!dialog) {
            if (QWidget *modal = QApplication::activeModalWidget())
                modal->close();
            return;
        }
        shown = dialog->isVisible();
        recorded = dialog->summary().recorded;
        dialog->findChild<QPushButton *>("cmdClose")->click();
    });
    summary->trigger();
    QVERIFY(shown);
    QCOMPARE(recorded, 3600);
    QVERIFY(!h.window->findChild<SummaryDialog *>());
}

void TestSummary::logDayOpensTheTimeline()
{
    Harness h;
    QVERIFY(h.log->exec("INSERT INTO ApplicationLog VALUES ('/usr/bin/xterm', 'make', "
                        "datetime('now', 'localtime', 'start of day', '-2 days', '+9 hours'), 600)"));
    QVERIFY(h.log->exec("INSERT INTO ActivityLog VALUES ('testing', "
                        "datetime('now', 'localtime', 'start of day', '-2 days', '+9 hours', '+5 minutes'))"));
    QAction *showLog = nullptr;
    for (QAction *a : h.window->findChild<QSystemTrayIcon *>()->contextMenu()->actions()) {
        if (a->text() == "Show log...")
            showLog = a;
    }
    QVERIFY(showLog);
    // Each timeline that opens: its day and how many entries it shows.
    QList<QPair<QDate, int>> opened;
    bool logStillOpen = false;
    std::function<void()> whenRead = [&] {
        auto *log = h.window->findChild<SearchDialog *>();
        if (log && log->isSearching()) {
            QTimer::singleShot(20, whenRead);
            return;
        }
        if (!log) {
            if (QWidget *modal = QApplication::activeModalWidget())
                modal->close();
            return;
        }
        auto closeTimeline = [&, log] {
            if (auto *timeline = h.window->findChild<TimelineDialog *>())
                opened.append({timeline->day(), timeline->findChild<TimelineWidget *>("tlnDay")->entryCount()});
            if (QWidget *modal = QApplication::activeModalWidget(); modal && modal != log)
                modal->close();
        };
        auto *tree = log->findChild<ReportTree *>("tvwItems");
        if (tree->model()->rowCount() > 0) {
            // A double click on the day, then Enter on it.
            QTimer::singleShot(50, closeTimeline);
            QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {},
                               tree->visualRect(tree->model()->index(0, 0)).center());
            tree->setCurrentIndex(tree->model()->index(0, 0));
            QTimer::singleShot(50, closeTimeline);
            QTest::keyClick(tree, Qt::Key_Return);
        }
        // Enter on the day did not press Close.
        logStillOpen = log->isVisible();
        log->findChild<QPushButton *>("cmdClose")->click();
    };
    QTimer::singleShot(50, whenRead);
    showLog->trigger();
    const QPair<QDate, int> expected{QDate::currentDate().addDays(-2), 2}; // the program's stretch and the answer
    QCOMPARE(opened, (QList<QPair<QDate, int>>{expected, expected}));
    QVERIFY(logStillOpen);
}

void TestSummary::languageChange()
{
    FixedSource source;
    SummaryDialog dialog(&source);
    MarkingTranslator translator({"SummaryDialog"});
    QCoreApplication::installTranslator(&translator);
    QCoreApplication::processEvents();
    const QString title = dialog.windowTitle();
    const QString button = dialog.findChild<QPushButton *>("cmdTimesheet")->text();
    const QString firstRange = dialog.findChild<QComboBox *>("cmbRange")->itemText(0);
    const QString totals = dialog.findChild<QLabel *>("lblTotals")->text();
    QCoreApplication::removeTranslator(&translator);
    QCOMPARE(title, "[xx] Summary");
    QCOMPARE(button, "[xx] Timesheet...");
    QCOMPARE(firstRange, "[xx] Today");
    QVERIFY(totals.startsWith("[xx] Recorded:"));
}

QTEST_MAIN(TestSummary)
#include "tst_summary.moc"
