// kesto-bench: what users feel, next to the tools they would use instead.
// Needs an X display with a window manager and a system tray (DISPLAY), e.g.
//   tests/desktop-session.sh build/bench/kesto-bench
#include "csvexport.h"
#include "foregroundwindow.h"
#include "freememory.h"
#include "history.h"
#include "logwriter.h"
#include "mainwindow.h"
#include "peerlogs.h"
#include "publisher.h"
#include "ruleset.h"
#include "rulestore.h"
#include "syncsettings.h"
#include "reportview.h"
#include "rollup.h"
#include "schema.h"
#include "summaryreader.h"
#include "sampler.h"
#include "searchdialog.h"
#include "x11stage.h"

#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QLineEdit>
#include <QDateEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QBasicTimer>
#include <QTimer>
#include <QAbstractItemView>
#include <QUuid>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <sys/resource.h>
#include <unistd.h>

namespace {

struct Figure
{
    QString name;
    double value;
    QString unit;
};
QList<Figure> figures;

void report(const QString &name, double value, const QString &unit)
{
    figures.append({name, value, unit});
    std::printf("%s %.3f %s\n", qPrintable(name), value, qPrintable(unit));
    std::fflush(stdout);
}

double figure(const QString &name)
{
    for (const Figure &f : std::as_const(figures))
        if (f.name == name)
            return f.value;
    return -1;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values[values.size() / 2];
}

double cpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double rssMb(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return -1;
}

QString run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

const char *const kViewNames[] = {"detailed", "grouped", "programs"};

// Runs of each search and export, alternating with the shell's.
constexpr int kRuns = 3;

const std::pair<X11Stage::Kind, const char *> kKinds[] = {{X11Stage::Kind::Utf8NetName, "utf8"},
                                                          {X11Stage::Kind::Latin1WmName, "latin1"},
                                                          {X11Stage::Kind::CompoundTextWmName, "compound"},
                                                          {X11Stage::Kind::Vanishing, "vanishing"}};

struct Range
{
    const char *name;
    QDate from;
    QDate to;
};

QString sqlLiteral(const QString &text)
{
    return QLatin1Char('\'') + QString(text).replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\'');
}

// The statement of a view with its bindings written in, for the sqlite3 shell.
QString shellStatement(int kind, const Range &range)
{
    QString sql = ReportView::statement(kind);
    sql.replace(sql.indexOf(QLatin1Char('?')), 1, sqlLiteral(range.from.toString(Qt::ISODate)));
    sql.replace(sql.indexOf(QLatin1Char('?')), 1, sqlLiteral(range.to.toString(Qt::ISODate) + QStringLiteral("T23:59:59")));
    return sql;
}

double shellMs(const QString &dbPath, const QString &sql, const QString &out, bool csv)
{
    QElapsedTimer t;
    t.start();
    QProcess p;
    p.setStandardOutputFile(out);
    QStringList args{QStringLiteral("-batch")};
    if (csv)
        args << QStringLiteral("-csv");
    p.start(QStringLiteral("sqlite3"), args << dbPath << sql);
    p.waitForFinished(-1);
    return t.nsecsElapsed() / 1e6;
}

// The longest time the interface thread went without running a 10 ms timer.
class StallMeter : public QObject
{
public:
    void start()
    {
        clock.start();
        last = 0;
        longest = 0;
        timer.start(10, this);
    }
    double stop()
    {
        tick();
        timer.stop();
        return longest;
    }

protected:
    void timerEvent(QTimerEvent *) override { tick(); }

private:
    void tick()
    {
        const double now = clock.nsecsElapsed() / 1e6;
        longest = std::max(longest, now - last);
        last = now;
    }
    QElapsedTimer clock;
    QBasicTimer timer;
    double last = 0;
    double longest = 0;
};

struct Controls
{
    explicit Controls(SearchDialog &dialog)
        : from(dialog.findChild<QDateEdit *>(QStringLiteral("dpLogIni")))
        , to(dialog.findChild<QDateEdit *>(QStringLiteral("dpLogFin")))
        , view(dialog.findChild<QComboBox *>(QStringLiteral("cmbView")))
        , search(dialog.findChild<QPushButton *>(QStringLiteral("cmdSearch")))
        , tree(dialog.findChild<QAbstractItemView *>(QStringLiteral("tvwItems")))
    {
    }
    void set(const Range &range, int kind)
    {
        from->setDate(range.from);
        to->setDate(range.to);
        view->setCurrentIndex(kind);
    }
    int rows() const
    {
        QAbstractItemModel *model = tree->model();
        int n = 0;
        for (int d = 0; d < model->rowCount(); ++d)
            n += model->rowCount(model->index(d, 0));
        return n;
    }
    // Whether the tree, scrolled to its end, shows the last row of the last day.
    bool showsLastRow() const
    {
        QAbstractItemModel *model = tree->model();
        const int days = model->rowCount();
        if (days == 0)
            return true;
        const QModelIndex lastDay = model->index(days - 1, 0);
        const int rows = model->rowCount(lastDay);
        const QModelIndex last = rows > 0 ? model->index(rows - 1, 0, lastDay) : lastDay;
        return tree->viewport()->rect().intersects(tree->visualRect(last));
    }
    QDateEdit *from;
    QDateEdit *to;
    QComboBox *view;
    QPushButton *search;
    QAbstractItemView *tree;
};

// Runs the event loop until `done`, sleeping between events: a spinning
// benchmark would take the CPU from the threads it measures.
void waitFor(const std::function<bool()> &done)
{
    QTimer wake;
    wake.start(2);
    while (!done())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

// The summary: what the rollup costs to build and to keep, and how fast a
// range is summed with it, next to the shell's GROUP BY over the raw rows.
void summary(const QString &history, const QString &historyPath, const QList<Range> &ranges, const QString &outDir)
{
    const bool haveShell = !QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty();
    const QString path = outDir + QStringLiteral("/summary-%1.db").arg(history);
    QFile::remove(path);
    QFile::copy(historyPath, path);
    QFile(path).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const QString prefix = QStringLiteral("summary.%1.").arg(history);
    const QString name = QStringLiteral("summary-bench");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.open();
        // As kesto finds it: the log brought up to date, with a few categories.
        Schema::migrate(db);
        QSqlQuery(QStringLiteral("PRAGMA journal_mode=WAL"), db);
        for (const char *rule : {"INSERT INTO Rules (Position, Program, Action, Category) VALUES (10, 'program-00*', 'category', 'Main')",
                                 "INSERT INTO Rules (Position, Title, Action, Category) VALUES (11, '*Document 1*', 'category', 'Documents')",
                                 "INSERT INTO Rules (Position, Program, Action, Category) VALUES (12, 'firefox*', 'category', 'Web')",
                                 "INSERT INTO Rules (Position, Program, Action, Category) VALUES (13, 'thunderbird', 'category', 'Mail')",
                                 "INSERT INTO Rules (Position, Program, Action, Category) VALUES (14, 'tool-1*', 'category', 'Tools')"})
            QSqlQuery(QString::fromLatin1(rule), db);
        QSqlQuery(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"), db);
        const double before = QFileInfo(path).size();
        // Built as kesto builds it: short transactions, oldest days first.
        QElapsedTimer clock;
        clock.start();
        double longest = 0;
        int steps = 0;
        for (;;) {
            QElapsedTimer step;
            step.start();
            QSqlQuery(QStringLiteral("BEGIN IMMEDIATE"), db);
            const Rollup::Step result = Rollup::step(db, History::lastDay());
            QSqlQuery(QStringLiteral("COMMIT"), db);
            longest = std::max(longest, step.nsecsElapsed() / 1e6);
            ++steps;
            if (result != Rollup::Step::More)
                break;
        }
        report(prefix + "build_s", clock.nsecsElapsed() / 1e9, "s");
        report(prefix + "build_longest_step_ms", longest, "ms");
        report(prefix + "build_steps", steps, "steps");
        QSqlQuery(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"), db);
        const double after = QFileInfo(path).size();
        report(prefix + "log_mb", before / 1048576.0, "MB");
        report(prefix + "extra_percent", 100.0 * (after - before) / before, "%");

        // The day timeline: a day of the last month.
        QList<double> timeline;
        for (int run = 0; run < 5; ++run) {
            QElapsedTimer t;
            t.start();
            const TimelineDay day = TimelineReader::read(db, History::lastDay().addDays(-10 - run));
            timeline << t.nsecsElapsed() / 1e6;
            if (run == 0)
                report(prefix + "timeline_stretches", day.stretches.size(), "stretches");
        }
        report(prefix + "timeline_ms", median(timeline), "ms");
        db.close();
    }
    QSqlDatabase::removeDatabase(name);

    for (const Range &range : ranges) {
        QList<double> first, complete, stalls, shell;
        qint64 recorded = 0;
        for (int run = 0; run < kRuns; ++run) {
            for (int i = 0; i < 5; ++i)
                QCoreApplication::processEvents();
            QSqlDatabase handle = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            handle.setDatabaseName(path);
            StallMeter stall;
            QElapsedTimer clock;
            bool done = false;
            double totalsAt = -1;
            {
                SummaryReader reader(handle, range.from, range.to);
                QObject::connect(&reader, &SummaryReader::totalsRead, &reader,
                                 [&](const Summary &) { totalsAt = clock.nsecsElapsed() / 1e6; });
                QObject::connect(&reader, &SummaryReader::summaryRead, &reader, [&](const Summary &s) {
                    recorded = s.recorded;
                    done = true;
                    if (!s.error.isEmpty())
                        std::fprintf(stderr, "warning: summary: %s\n", qPrintable(s.error));
                });
                stall.start();
                clock.start();
                reader.start();
                waitFor([&] { return done; });
                complete << clock.nsecsElapsed() / 1e6;
                first << totalsAt;
                stalls << stall.stop();
            }
            handle = QSqlDatabase();
            QSqlDatabase::removeDatabase(name);
            if (haveShell)
                shell << shellMs(path,
                                 QStringLiteral("SELECT DATE(AppDate), AppFileName, SUM(Duration) FROM ApplicationLog "
                                                "WHERE AppDate>='%1' AND AppDate<='%2T23:59:59' GROUP BY DATE(AppDate), AppFileName")
                                     .arg(range.from.toString(Qt::ISODate), range.to.toString(Qt::ISODate)),
                                 outDir + QStringLiteral("/shell.txt"), false);
        }
        const QString p = prefix + QLatin1String(range.name) + QLatin1Char('.');
        report(p + "hours", recorded / 3600.0, "h");
        report(p + "totals_ms", median(first), "ms");
        report(p + "complete_ms", median(complete), "ms");
        report(p + "max_stall_ms", median(stalls), "ms");
        if (haveShell)
            report(p + "sqlite3_ms", median(shell), "ms");
    }
    QFile::remove(path);
}

// The activity log on screen: one search from the click until the last row.
void reports(const QString &history, const QString &dbPath, const QList<Range> &ranges, const QString &outDir)
{
    const bool haveShell = !QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty();
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench"));
    db.setDatabaseName(dbPath);
    db.open();
    {
        SearchDialog dialog;
        dialog.resize(800, 600);
        dialog.setDatabase(db);
        dialog.show();
        waitFor([&] { return !dialog.isSearching(); });
        Controls c(dialog);
        for (const Range &range : ranges) {
            for (int kind = 0; kind < 3; ++kind) {
                // Runs alternate with the shell's and the medians are kept: on a
                // shared virtual machine one run of either can be off by half.
                QList<double> first, last, stalls, shell;
                int rows = 0;
                for (int run = 0; run < kRuns; ++run) {
                    c.set(range, kind);
                    // Nothing left over from the last search or its repaint.
                    for (int i = 0; i < 5; ++i)
                        QCoreApplication::processEvents();
                    StallMeter stall;
                    QElapsedTimer clock;
                    stall.start();
                    clock.start();
                    c.search->click();
                    waitFor([&] { return c.tree->model()->rowCount() > 0 || !dialog.isSearching(); });
                    QCoreApplication::processEvents();
                    first << clock.nsecsElapsed() / 1e6;
                    waitFor([&] { return !dialog.isSearching(); });
                    c.tree->scrollToBottom();
                    waitFor([&] {
                        QCoreApplication::processEvents();
                        return c.showsLastRow();
                    });
                    last << clock.nsecsElapsed() / 1e6;
                    stalls << stall.stop();
                    rows = c.rows();
                    if (haveShell)
                        shell << shellMs(dbPath, shellStatement(kind, range), outDir + QStringLiteral("/shell.txt"),
                                         false);
                }
                const QString prefix = QStringLiteral("report.%1.%2.%3.").arg(history, range.name, kViewNames[kind]);
                report(prefix + "rows", rows, "rows");
                report(prefix + "first_rows_ms", median(first), "ms");
                report(prefix + "last_row_ms", median(last), "ms");
                report(prefix + "max_stall_ms", median(stalls), "ms");
                report(prefix + "max_stall_worst_ms", *std::max_element(stalls.begin(), stalls.end()), "ms");
                if (haveShell)
                    report(prefix + "sqlite3_ms", median(shell), "ms");
            }
        }
    }
    QSqlDatabase::database(QStringLiteral("bench")).close();
    QSqlDatabase::removeDatabase(QStringLiteral("bench"));
}

// Memory with a year of programs on screen, and once the dialog is gone.
void memory(const QString &history, const QString &dbPath, const Range &year)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench"));
    db.setDatabaseName(dbPath);
    db.open();
    const qint64 pid = QCoreApplication::applicationPid();
    FreeMemory::returnToSystem();
    double before = 0;
    double shown = 0;
    {
        SearchDialog dialog;
        dialog.resize(800, 600);
        dialog.setDatabase(db);
        dialog.show();
        waitFor([&] { return !dialog.isSearching(); });
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
        before = rssMb(pid);
        Controls c(dialog);
        c.set(year, ReportView::Programs);
        c.search->click();
        waitFor([&] { return !dialog.isSearching(); });
        c.tree->scrollToBottom();
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
        shown = rssMb(pid);
        dialog.hide();
    }
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    const double closed = rssMb(pid);
    const QString prefix = QStringLiteral("memory.%1.year_programs.").arg(history);
    report(prefix + "rss_before_mb", before, "MB");
    report(prefix + "rss_shown_mb", shown, "MB");
    report(prefix + "rss_closed_mb", closed, "MB");
    QSqlDatabase::database(QStringLiteral("bench")).close();
    QSqlDatabase::removeDatabase(QStringLiteral("bench"));
}

qint64 lineCount(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    qint64 lines = 0;
    while (!f.atEnd())
        lines += f.read(1 << 20).count('\n');
    return lines;
}

void exports(const QString &history, const QString &dbPath, const Range &year, const QString &outDir)
{
    const bool haveShell = !QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty();
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench"));
    db.setDatabaseName(dbPath);
    db.open();
    for (int kind = 0; kind < 3; ++kind) {
        const QString ours = outDir + QStringLiteral("/kesto-%1.csv").arg(kind);
        const QString theirs = outDir + QStringLiteral("/sqlite3-%1.csv").arg(kind);
        // What the CSV link does once the user has named the file.
        QList<double> ourTimes, theirTimes, stalls;
        for (int run = 0; run < kRuns; ++run) {
            StallMeter stall;
            stall.start();
            QElapsedTimer clock;
            clock.start();
            CsvExport job(db, kind, year.from, year.to, ours);
            job.start();
            waitFor([&] { return job.isFinished(); });
            ourTimes << clock.nsecsElapsed() / 1e6;
            stalls << stall.stop();
            if (haveShell)
                theirTimes << shellMs(dbPath, shellStatement(kind, year), theirs, true);
        }
        const QString prefix = QStringLiteral("export.%1.year.%2.").arg(history, kViewNames[kind]);
        report(prefix + "ms", median(ourTimes), "ms");
        report(prefix + "max_stall_ms", median(stalls), "ms");
        if (!haveShell)
            continue;
        report(prefix + "sqlite3_ms", median(theirTimes), "ms");
        const qint64 a = lineCount(ours), b = lineCount(theirs);
        if (a != b)
            std::fprintf(stderr, "warning: %s: %lld lines from kesto, %lld from sqlite3\n", qPrintable(prefix),
                         a, b);
        report(prefix + "lines", a, "lines");
    }
    QSqlDatabase::database(QStringLiteral("bench")).close();
    QSqlDatabase::removeDatabase(QStringLiteral("bench"));
}

// A copy of a history with one stamp on its last day that SQLite cannot read
// as a time: the programs view and its export then read the whole range with
// one statement, which sorts for seconds before its first row.
QString oddCopy(const QString &dbPath, const QString &dir)
{
    const QString copy = dir + QStringLiteral("/odd.db");
    QFile::remove(copy);
    QFile::copy(dbPath, copy);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("odd"));
        db.setDatabaseName(copy);
        db.open();
        QSqlQuery(db).exec(QStringLiteral("INSERT INTO ApplicationLog (AppFileName, AppTitle, AppDate, Duration) "
                                          "VALUES ('/usr/bin/odd', 'odd', '%1 12:00:00 odd', 5)")
                               .arg(History::lastDay().toString(Qt::ISODate)));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("odd"));
    return copy;
}

// Runs the event loop for `ms` milliseconds or until `done`.
void waitAtMost(int ms, const std::function<bool()> &done)
{
    QElapsedTimer clock;
    clock.start();
    waitFor([&] { return clock.elapsed() >= ms || done(); });
}

// Close clicked while a search of five years of programs reads: how long the
// click takes, and until the dialog and its rows are gone, as they are when
// the tray's "Show log..." returns.
void closeMidSearch(const QString &prefix, const QString &dbPath, const Range &range)
{
    QList<double> closes, gone;
    int midSearch = 0;
    for (int run = 0; run < kRuns; ++run) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench"));
        db.setDatabaseName(dbPath);
        db.open();
        auto dialog = std::make_unique<SearchDialog>();
        dialog->resize(800, 600);
        dialog->setDatabase(db);
        dialog->show();
        waitFor([&] { return !dialog->isSearching(); });
        Controls c(*dialog);
        c.set(range, ReportView::Programs);
        c.search->click();
        waitAtMost(500, [&] { return !dialog->isSearching(); });
        midSearch += dialog->isSearching() ? 1 : 0;
        QElapsedTimer clock;
        clock.start();
        dialog->findChild<QPushButton *>(QStringLiteral("cmdClose"))->click();
        closes << clock.nsecsElapsed() / 1e6;
        dialog.reset();
        gone << clock.nsecsElapsed() / 1e6;
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("bench"));
    }
    if (midSearch < kRuns)
        std::fprintf(stderr, "warning: %s: the search had ended before Close in %d of %d runs\n", qPrintable(prefix),
                     kRuns - midSearch, kRuns);
    report(prefix + "close_ms", median(closes), "ms");
    report(prefix + "close_worst_ms", *std::max_element(closes.begin(), closes.end()), "ms");
    report(prefix + "closed_and_freed_ms", median(gone), "ms");
}

// A private home and working directory with the template, as kesto finds them.
struct BenchHome
{
    explicit BenchHome(const QString &templatePath)
        : oldHome(qgetenv("HOME"))
        , oldCwd(QDir::currentPath())
    {
        QFile::copy(templatePath, work.filePath(QStringLiteral("template.db")));
        qputenv("HOME", QFile::encodeName(home.path()));
        QDir::setCurrent(work.path());
    }
    ~BenchHome()
    {
        QDir::setCurrent(oldCwd);
        qputenv("HOME", oldHome);
    }
    QTemporaryDir home;
    QTemporaryDir work;
    QByteArray oldHome;
    QString oldCwd;
};

// `kesto --quit` half a second into a CSV export of five years of programs:
// the tray's "Show log...", the export link and the save dialog as a user
// goes through them, then what the request runs (the Exit slot), timed until
// the event loop has returned and until the window is gone.
void quitMidExport(const QString &prefix, const QString &logPath, const Range &range, const QString &templatePath,
                   const QString &outDir)
{
    BenchHome where(templatePath);
    const QString target = outDir + QStringLiteral("/quit.csv");
    const QByteArray old = "an earlier export\n";
    QList<double> returned, gone;
    int midExport = 0;
    int refused = 0;
    bool kept = true;
    for (int run = 0; run < kRuns; ++run) {
        // The program writes to its log: each run has a fresh copy.
        QFile::remove(where.home.filePath(QStringLiteral("kesto.db")));
        QFile::copy(logPath, where.home.filePath(QStringLiteral("kesto.db")));
        {
            QFile file(target);
            file.open(QIODevice::WriteOnly | QIODevice::Truncate);
            file.write(old);
        }
        QElapsedTimer clock;
        {
            auto window = std::make_unique<MainWindow>();
            int step = 0;
            QElapsedTimer exporting;
            QTimer driver;
            QObject::connect(&driver, &QTimer::timeout, [&] {
                const auto dialog = window->findChild<SearchDialog *>();
                switch (step) {
                case 0:
                    if (!dialog || !dialog->isVisible() || dialog->isSearching())
                        return;
                    Controls(*dialog).set(range, ReportView::Programs);
                    step = 1;
                    // The link's slot runs the save dialog and the export in
                    // loops of their own: it must not run inside this one.
                    QTimer::singleShot(0, dialog, [dialog] {
                        emit dialog->findChild<QLabel *>(QStringLiteral("llCSV"))->linkActivated(QStringLiteral("#"));
                    });
                    return;
                case 1:
                    for (QWidget *w : QApplication::topLevelWidgets()) {
                        auto *files = qobject_cast<QFileDialog *>(w);
                        auto *box = qobject_cast<QMessageBox *>(w);
                        if (files && files->isVisible()) {
                            files->selectFile(target);
                            if (auto *edit = files->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
                                edit->setText(target);
                            QMetaObject::invokeMethod(files, "accept", Qt::QueuedConnection);
                        } else if (box && box->isVisible() && box->button(QMessageBox::Yes)) {
                            // "Replace it?"
                            box->button(QMessageBox::Yes)->click();
                        }
                    }
                    if (dialog && dialog->findChild<QProgressDialog *>()) {
                        exporting.start();
                        step = 2;
                    }
                    return;
                case 2:
                    if (exporting.elapsed() < 500)
                        return;
                    midExport += dialog && dialog->findChild<QProgressDialog *>() ? 1 : 0;
                    step = 3;
                    clock.start();
                    QMetaObject::invokeMethod(window.get(), "menuExit_Click");
                    return;
                case 3:
                    // Still running a minute later: the request was refused.
                    if (clock.elapsed() > 60000) {
                        ++refused;
                        QCoreApplication::exit(1);
                    }
                    return;
                }
            });
            driver.start(20);
            QTimer::singleShot(0, window.get(), [&window] {
                QMetaObject::invokeMethod(window.get(), "menuShowLog_Click");
            });
            QApplication::exec();
            returned << clock.nsecsElapsed() / 1e6;
            driver.stop();
            window.reset();
            gone << clock.nsecsElapsed() / 1e6;
        }
        QSqlDatabase::database(QString::fromLatin1(QSqlDatabase::defaultConnection), false).close();
        QSqlDatabase::removeDatabase(QString::fromLatin1(QSqlDatabase::defaultConnection));
        QFile file(target);
        kept = kept && file.open(QIODevice::ReadOnly) && file.readAll() == old;
    }
    const QStringList stray = QDir(outDir).entryList({QStringLiteral("quit.csv.*")}, QDir::Files);
    if (midExport < kRuns)
        std::fprintf(stderr, "warning: %s: the export had ended before --quit in %d of %d runs\n", qPrintable(prefix),
                     kRuns - midExport, kRuns);
    report(prefix + "quit_ms", median(returned), "ms");
    report(prefix + "quit_worst_ms", *std::max_element(returned.begin(), returned.end()), "ms");
    report(prefix + "quit_and_window_gone_ms", median(gone), "ms");
    report(prefix + "old_file_kept", kept && stray.isEmpty() ? 1 : 0, "");
    if (refused)
        report(prefix + "quit_refused_runs", refused, "runs");
}

void cancelling(const QString &history, const QString &dbPath, const Range &range, const QString &templatePath,
                const QString &outDir)
{
    const QString odd = oddCopy(dbPath, outDir);
    for (const auto &[log, path] : {std::pair<const char *, QString>{"by_day", dbPath}, {"whole_range", odd}}) {
        const QString prefix = QStringLiteral("cancel.%1.%2.").arg(history, QLatin1String(log));
        closeMidSearch(prefix, path, range);
        quitMidExport(prefix, path, range, templatePath, outDir);
    }
    QFile::remove(odd);
}

// A window kept in front while the sampler runs.
qint64 frontWindow(QProcess &term)
{
    term.start(QStringLiteral("xterm"), {QStringLiteral("-T"), QStringLiteral("kesto bench window"),
                                         QStringLiteral("-e"), QStringLiteral("sleep"), QStringLiteral("600")});
    term.waitForStarted();
    for (int i = 0; i < 100; ++i) {
        const QString id = run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--name"),
                                                           QStringLiteral("^kesto bench window$")})
                               .trimmed();
        if (!id.isEmpty()) {
            run(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), QStringLiteral("--sync"), id});
            return id.toLongLong();
        }
        QThread::msleep(100);
    }
    return 0;
}

void sampler(const QString &templatePath)
{
    BenchHome where(templatePath);

    QProcess term;
    frontWindow(term);
    {
        MainWindow window;
        // Every tick asks for the idle time whatever the threshold; a day's
        // keeps this silent desktop from going away in the middle.
        Sampler *sampler = window.findChild<Sampler *>();
        sampler->setAwayMinutes(24 * 60);
        auto tick = [&window] { QMetaObject::invokeMethod(&window, "OnTimerPrograms"); };
        for (int i = 0; i < 200; ++i)
            tick();
        const int ticks = 5000;
        const double before = cpuSeconds(RUSAGE_SELF);
        for (int i = 0; i < ticks; ++i)
            tick();
        // The writer's thread is part of a tick's cost.
        LogWriter::waitForAll();
        report(QStringLiteral("tick.x11.cpu_us"), (cpuSeconds(RUSAGE_SELF) - before) / ticks * 1e6, "us");
        // Where a tick's time goes: asking X11 alone.
        const double sampleBefore = cpuSeconds(RUSAGE_SELF);
        for (int i = 0; i < ticks; ++i)
            foregroundWindowSource()->sample();
        report(QStringLiteral("tick.x11_query.cpu_us"), (cpuSeconds(RUSAGE_SELF) - sampleBefore) / ticks * 1e6, "us");
        // Idle detection's share: the X server's idle count alone, and ticks
        // with it and without it (away never) in alternating blocks, each
        // with all the writer thread's work for it.
        const double idleBefore = cpuSeconds(RUSAGE_SELF);
        for (int i = 0; i < ticks; ++i)
            foregroundWindowSource()->idleSeconds(300);
        report(QStringLiteral("tick.x11_idle.cpu_us"), (cpuSeconds(RUSAGE_SELF) - idleBefore) / ticks * 1e6, "us");
        const auto blockCpu = [&tick](int n) {
            LogWriter::waitForAll();
            const double before = cpuSeconds(RUSAGE_SELF);
            for (int i = 0; i < n; ++i)
                tick();
            LogWriter::waitForAll();
            return (cpuSeconds(RUSAGE_SELF) - before) / n * 1e6;
        };
        QList<double> with, without;
        for (int round = 0; round < 5; ++round) {
            sampler->setAwayMinutes(24 * 60);
            with << blockCpu(1000);
            sampler->setAwayMinutes(0);
            without << blockCpu(1000);
        }
        sampler->setAwayMinutes(24 * 60);
        report(QStringLiteral("tick.x11_with_idle.cpu_us"), median(with), "us");
        report(QStringLiteral("tick.x11_without_idle.cpu_us"), median(without), "us");

        // Memory over 100,000 ticks in front of each kind of window the X11
        // backend reads differently. Synced commits would only make it slow.
        window.findChild<LogWriter *>()->configure(QStringLiteral("PRAGMA synchronous=OFF"));
        X11Stage stage;
        int n = 0;
        const auto tickAndLoop = [&tick, &n] {
            tick();
            if (++n % 50 == 0) {
                LogWriter::waitForAll();
                QCoreApplication::processEvents();
            }
        };
        double worst = 0;
        for (const auto &[kind, key] : kKinds) {
            const X11Stage::Growth growth = stage.growthMb(kind, tickAndLoop, 5000, 100000);
            report(QStringLiteral("rss.ticks_growth_mb.%1").arg(key), growth.residentMb, "MB");
            report(QStringLiteral("heap.ticks_growth_mb.%1").arg(key), growth.heapMb, "MB");
            worst = qMax(worst, growth.residentMb);
        }
        report(QStringLiteral("rss.ticks_growth_mb"), worst, "MB");
    }

    // The shell loop people write for this, one sample per round.
    const QString db = where.home.filePath(QStringLiteral("shell.db"));
    QFile::copy(templatePath, db);
    const int samples = 40;
    const QString loop = QStringLiteral(
        "for i in $(seq %1); do "
        "set -- $(xdotool getactivewindow getwindowname getwindowpid | tr '\\n' ' '); "
        "sqlite3 '%2' \"INSERT INTO ApplicationLog (AppFileName, AppTitle, AppDate) VALUES "
        "('$(readlink /proc/$(xdotool getactivewindow getwindowpid)/exe)', 'title', datetime('now', 'localtime'))\"; "
        "done").arg(samples).arg(db);
    const double before = cpuSeconds(RUSAGE_CHILDREN);
    run(QStringLiteral("sh"), {QStringLiteral("-c"), loop});
    report(QStringLiteral("tick.shell.cpu_us"), (cpuSeconds(RUSAGE_CHILDREN) - before) / samples * 1e6, "us");

    term.kill();
    term.waitForFinished();
}

// Runs ticks every tickMs, an answer saved halfway, and measures the worst
// stall of the interface thread meanwhile.
double stallOverTicks(MainWindow &window, int ticks, int tickMs)
{
    StallMeter meter;
    meter.start();
    QEventLoop loop;
    QTimer ticker;
    int done = 0;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        QMetaObject::invokeMethod(&window, "OnTimerPrograms");
        if (++done == ticks / 2) {
            // Saved from its own event, so the ticks go on while it waits.
            QTimer::singleShot(0, &window, [&window] {
                QMetaObject::invokeMethod(&window, "OnTimerKESTO");
                window.findChild<QComboBox *>(QStringLiteral("cbWhat"))->lineEdit()->setText(QStringLiteral("bench"));
                QMetaObject::invokeMethod(&window, "cmdSave_Click");
            });
        }
        if (done == ticks) {
            ticker.stop();
            // The last answer may still be on its way.
            QTimer::singleShot(1500, &loop, &QEventLoop::quit);
        }
    });
    ticker.start(tickMs);
    loop.exec();
    return meter.stop();
}

// Child of "stalls": every fsync made slow by the shim in LD_PRELOAD.
void stallOnSlowDisk(const QString &templatePath)
{
    BenchHome where(templatePath);
    // The same run without the shim shows what the disk's delay adds.
    const QString disk = qEnvironmentVariableIsSet("KESTO_FSYNC_DELAY_MS") ? QStringLiteral("stall.slow_disk")
                                                                           : QStringLiteral("stall.plain_disk");
    QProcess term;
    frontWindow(term);
    {
        MainWindow window;
        // For comparison: one synced commit on the interface thread, as
        // every tick and answer did before the writer had a thread.
        QElapsedTimer commit;
        commit.start();
        const bool written = QSqlQuery(QSqlDatabase::database())
                                 .exec(QStringLiteral("INSERT OR REPLACE INTO Settings VALUES ('bench', 1)"));
        if (written)
            report(disk + QStringLiteral(".commit_on_interface_thread_ms"), commit.nsecsElapsed() / 1e6, "ms");
        report(disk + QStringLiteral(".max_gap_ms"), stallOverTicks(window, 1000, 20), "ms");
        LogWriter::waitForAll();
        QSqlQuery answers(QStringLiteral("SELECT COUNT(*) FROM ActivityLog"), QSqlDatabase::database());
        answers.next();
        report(disk + QStringLiteral(".answers_saved"), answers.value(0).toDouble(), "");
        QSqlQuery time(QStringLiteral("SELECT SUM(Duration) / 5 FROM ApplicationLog"), QSqlDatabase::database());
        time.next();
        report(disk + QStringLiteral(".ticks_recorded"), time.value(0).toDouble(), "");
    }
    term.kill();
    term.waitForFinished();
}

// Child of "stalls": the desktop's foreground window comes from a GNOME
// Shell stand-in that answers after 500 ms.
void stallOnSlowDesktop(const QString &templatePath)
{
    BenchHome where(templatePath);
    MainWindow window;
    const int ticks = 12;
    report(QStringLiteral("stall.slow_desktop.max_gap_ms"), stallOverTicks(window, ticks, 1000), "ms");
    LogWriter::waitForAll();
    QSqlQuery time(QStringLiteral("SELECT SUM(Duration) / 5 FROM ApplicationLog WHERE AppTitle = 'Slow shell'"),
                   QSqlDatabase::database());
    time.next();
    report(QStringLiteral("stall.slow_desktop.samples_used"), time.value(0).toDouble(), "");
    report(QStringLiteral("stall.slow_desktop.ticks"), ticks, "");
}

// Runs one of the children above and takes its figures as ours.
void relay(const QString &program, const QStringList &args, const QProcessEnvironment &env)
{
    QProcess child;
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(program, args);
    child.waitForFinished(300000);
    for (const QByteArray &line : child.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() >= 2 && parts[0].startsWith("stall."))
            report(QString::fromUtf8(parts[0]), parts[1].toDouble(), QString::fromUtf8(parts.value(2)));
    }
}

void stalls(const QString &self)
{
    relay(self, {QStringLiteral("stall-disk")}, QProcessEnvironment::systemEnvironment());
    QProcessEnvironment disk = QProcessEnvironment::systemEnvironment();
    disk.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(KESTO_SLOWFSYNC));
    disk.insert(QStringLiteral("KESTO_FSYNC_DELAY_MS"), QStringLiteral("200"));
    relay(self, {QStringLiteral("stall-disk")}, disk);

    QProcessEnvironment desktop = QProcessEnvironment::systemEnvironment();
    desktop.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    desktop.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("wayland"));
    desktop.insert(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("kesto-bench-none"));
    relay(QStringLiteral("dbus-run-session"),
          {QStringLiteral("--"), QStringLiteral("sh"), QStringLiteral("-c"),
           QStringLiteral("\"$1\" --delay 500 --title 'Slow shell' & shell=$!; sleep 1; \"$2\" stall-desktop; "
                          "status=$?; kill $shell; exit $status"),
           QStringLiteral("sh"), QStringLiteral(KESTO_SLOWSHELL), self},
          desktop);
}

// Other computers: the five-year log published by a running kesto, and a
// year of programs over three computers' logs.
void computers(const QString &templatePath, const QString &heavy, const QStringList &others, const Range &year,
               const QString &outDir)
{
    BenchHome where(templatePath);
    QFile::copy(heavy, where.home.filePath(QStringLiteral("kesto.db")));
    const QString folder = where.home.filePath(QStringLiteral("Sync"));
    QDir().mkpath(folder);
    // What the other computers published.
    QStringList peers;
    for (int i = 0; i < others.size(); ++i) {
        const QString name = QStringLiteral("browser-%1").arg(i + 1);
        const QString problem =
            Publisher::snapshot(others[i], {folder, name, QUuid::createUuid().toString(QUuid::WithoutBraces)});
        if (!problem.isEmpty())
            std::fprintf(stderr, "warning: %s\n", qPrintable(problem));
        peers << folder + QLatin1Char('/') + name + QStringLiteral(".kesto.db");
    }
    {
        // kesto publishing while it runs: the first snapshot is the one that
        // choosing the folder asks for, the others come from kesto --publish.
        MainWindow window;
        auto *publisher = window.findChild<Publisher *>();
        QList<double> times, stalls;
        for (int run = 0; run < kRuns; ++run) {
            bool done = false;
            const auto connection = QObject::connect(publisher, &Publisher::done, [&done](const QString &, const QString &problem) {
                if (!problem.isEmpty())
                    std::fprintf(stderr, "warning: %s\n", qPrintable(problem));
                done = true;
            });
            StallMeter stall;
            QElapsedTimer clock;
            stall.start();
            clock.start();
            if (run == 0)
                QMetaObject::invokeMethod(&window, "setSyncFolder",
                                          Q_ARG(QStringList, (QStringList{folder, QStringLiteral("heavy")})));
            else
                QMetaObject::invokeMethod(&window, "publishNow");
            waitFor([&] { return done; });
            times << clock.nsecsElapsed() / 1e6;
            stalls << stall.stop();
            QObject::disconnect(connection);
        }
        report(QStringLiteral("publish.five_years.snapshot_ms"), median(times), "ms");
        report(QStringLiteral("publish.five_years.max_stall_ms"), median(stalls), "ms");
        report(QStringLiteral("publish.five_years.max_stall_worst_ms"), *std::max_element(stalls.begin(), stalls.end()), "ms");
        report(QStringLiteral("publish.five_years.file_mb"),
               QFileInfo(folder + QStringLiteral("/heavy.kesto.db")).size() / 1048576.0, "MB");
    }

    // Reading the other computers' files whole once per version of each.
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench"));
    db.setDatabaseName(where.home.filePath(QStringLiteral("kesto.db")));
    db.open();
    {
        QElapsedTimer clock;
        clock.start();
        const PeerLogs::Found found = PeerLogs::scan(folder, SyncSettings::read(db).id);
        report(QStringLiteral("merge.check_ms"), clock.nsecsElapsed() / 1e6, "ms");
        if (found.peers.size() != others.size())
            std::fprintf(stderr, "warning: %d logs in the folder\n", int(found.peers.size()));
    }
    const bool haveShell = !QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty();
    QString shellSql;
    for (int i = 0; i < peers.size(); ++i)
        shellSql += QStringLiteral("ATTACH %1 AS computer%2; ").arg(sqlLiteral(peers[i])).arg(i + 1);
    QString merged = ReportView::statement(ReportView::Programs,
                                           {QStringLiteral("main"), QStringLiteral("computer1"), QStringLiteral("computer2")});
    merged.replace(QStringLiteral(":from"), sqlLiteral(year.from.toString(Qt::ISODate)));
    merged.replace(QStringLiteral(":to"), sqlLiteral(year.to.toString(Qt::ISODate) + QStringLiteral("T23:59:59")));
    shellSql += merged;
    {
        SearchDialog dialog;
        dialog.resize(800, 600);
        dialog.setDatabase(db);
        dialog.show();
        waitFor([&] { return !dialog.isSearching(); });
        Controls c(dialog);
        dialog.findChild<QComboBox *>(QStringLiteral("cmbComputers"))->setCurrentIndex(1);
        QList<double> first, last, stalls, shell;
        int rows = 0;
        for (int run = 0; run < kRuns; ++run) {
            c.set(year, ReportView::Programs);
            for (int i = 0; i < 5; ++i)
                QCoreApplication::processEvents();
            StallMeter stall;
            QElapsedTimer clock;
            stall.start();
            clock.start();
            c.search->click();
            waitFor([&] { return c.tree->model()->rowCount() > 0 || !dialog.isSearching(); });
            QCoreApplication::processEvents();
            first << clock.nsecsElapsed() / 1e6;
            waitFor([&] { return !dialog.isSearching(); });
            c.tree->scrollToBottom();
            waitFor([&] {
                QCoreApplication::processEvents();
                return c.showsLastRow();
            });
            last << clock.nsecsElapsed() / 1e6;
            stalls << stall.stop();
            rows = c.rows();
            if (haveShell)
                shell << shellMs(db.databaseName(), shellSql, outDir + QStringLiteral("/merged.txt"), false);
        }
        const QString prefix = QStringLiteral("merge.three_computers.year.programs.");
        report(prefix + "rows", rows, "rows");
        report(prefix + "first_rows_ms", median(first), "ms");
        report(prefix + "last_row_ms", median(last), "ms");
        report(prefix + "max_stall_ms", median(stalls), "ms");
        report(prefix + "max_stall_worst_ms", *std::max_element(stalls.begin(), stalls.end()), "ms");
        if (haveShell) {
            report(prefix + "sqlite3_ms", median(shell), "ms");
            report(prefix + "sqlite3_lines", lineCount(outDir + QStringLiteral("/merged.txt")), "lines");
        }
    }
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("bench"));
}

// Privacy rules of the kinds users write, none of which matches the windows
// the benchmark shows, so that every tick weighs all of them.
QList<Rule> benchRules(int count)
{
    QList<Rule> rules;
    for (int i = 0; i < count; ++i) {
        Rule rule;
        rule.action = i % 2 ? Rule::Action::HideTitle : Rule::Action::DontRecord;
        switch (i % 4) {
        case 0:
            rule.title = QStringLiteral("*budget-%1*").arg(i);
            break;
        case 1:
            rule.program = QStringLiteral("tool%1").arg(i);
            rule.title = QStringLiteral("*private*");
            break;
        case 2:
            rule.syntax = Rule::Syntax::RegularExpression;
            rule.title = QStringLiteral("^invoice[- ]%1\\b").arg(i);
            break;
        case 3:
            rule.syntax = Rule::Syntax::RegularExpression;
            rule.program = QStringLiteral("helper%1$").arg(i);
            break;
        }
        rules.append(rule);
    }
    return rules;
}

// A tick's CPU on the interface thread with 0, 10 and 1,000 privacy rules, a
// new title in front at every tick so that the rules judge each one.
void rules(const QString &templatePath)
{
    const QByteArray oldHome = qgetenv("HOME");
    const QString oldCwd = QDir::currentPath();
    for (const int count : {0, 10, 1000}) {
        QTemporaryDir home;
        QTemporaryDir work;
        QFile::copy(templatePath, work.filePath(QStringLiteral("template.db")));
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench-rules"));
            db.setDatabaseName(work.filePath(QStringLiteral("template.db")));
            db.open();
            for (const LogWriter::Statement &statement : RuleStore::replaceStatements(benchRules(count))) {
                QSqlQuery query(db);
                query.prepare(statement.sql);
                for (const QVariant &value : statement.values)
                    query.addBindValue(value);
                query.exec();
            }
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("bench-rules"));
        qputenv("HOME", QFile::encodeName(home.path()));
        QDir::setCurrent(work.path());
        const int ticks = 2000;
        int rows = 0;
        double cpu = 0;
        {
            MainWindow window;
            // Commits wait for the disk on the writer's thread, not here.
            window.findChild<LogWriter *>()->configure(QStringLiteral("PRAGMA synchronous=OFF"));
            X11Stage stage;
            const xcb_window_t w = stage.window();
            stage.activate(w);
            const auto show = [&](int i) {
                stage.setNetName(w, QStringLiteral("Quarterly report %1 \u2014 notes and figures for the team - "
                                                   "Mozilla Firefox")
                                        .arg(i)
                                        .toUtf8());
                stage.sync();
            };
            for (int i = 0; i < 100; ++i) {
                show(i);
                QMetaObject::invokeMethod(&window, "OnTimerPrograms");
            }
            // The stage's own requests are timed apart and taken off.
            double staging = 0;
            const double before = cpuSeconds(RUSAGE_THREAD);
            for (int i = 0; i < ticks; ++i) {
                const double s = cpuSeconds(RUSAGE_THREAD);
                show(100 + i);
                staging += cpuSeconds(RUSAGE_THREAD) - s;
                QMetaObject::invokeMethod(&window, "OnTimerPrograms");
                if (i % 50 == 0)
                    QCoreApplication::processEvents();
            }
            cpu = cpuSeconds(RUSAGE_THREAD) - before - staging;
            LogWriter::waitForAll();
            QSqlQuery count(QStringLiteral("SELECT COUNT(*) FROM ApplicationLog"), QSqlDatabase::database());
            rows = count.next() ? count.value(0).toInt() : -1;

            stage.destroy(w);
            stage.sync();
        }
        {
            QSqlDatabase::database(QString::fromLatin1(QSqlDatabase::defaultConnection), false).close();
        }
        QSqlDatabase::removeDatabase(QString::fromLatin1(QSqlDatabase::defaultConnection));
        report(QStringLiteral("tick.rules_%1.cpu_us").arg(count), cpu / ticks * 1e6, "us");
        // Every tick a row of its own: the rules judged every title.
        report(QStringLiteral("tick.rules_%1.rows").arg(count), rows, "rows");
        // The rules alone, on one such title.
        const RuleSet set(benchRules(count));
        const QString path = QStringLiteral("/usr/lib/firefox/firefox");
        const QString title = QStringLiteral("Quarterly report 9999 \u2014 notes and figures for the team - Mozilla Firefox");
        int undecided = 0;
        const double judged = cpuSeconds(RUSAGE_THREAD);
        for (int i = 0; i < ticks; ++i)
            undecided += set.keep(path, title) == RuleSet::Keep::Undecided;
        report(QStringLiteral("rules.keep_%1.cpu_us").arg(count), (cpuSeconds(RUSAGE_THREAD) - judged) / ticks * 1e6, "us");
        // Samples whose rules ran out of time: another program held the CPU.
        report(QStringLiteral("rules.keep_%1.undecided").arg(count), undecided, "samples");
    }
    QDir::setCurrent(oldCwd);
    qputenv("HOME", oldHome);
}

bool trayIconShown()
{
    // The icon is a window of kesto's that the panel has reparented, so it
    // sits deeper in the tree than the top-level windows.
    const QStringList lines = run(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")})
                                  .split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        if (!line.contains(QLatin1String("(\"kesto\" \"kesto\")")))
            continue;
        int indent = 0;
        while (indent < line.size() && line[indent] == QLatin1Char(' '))
            ++indent;
        if (indent > 5)
            return true;
    }
    return false;
}

void realKesto(const QString &binDir, const QString &historyPath)
{
    QList<double> startups;
    double startRss = -1;
    double dialogRss = -1;
    for (int round = 0; round < 5; ++round) {
        QTemporaryDir home;
        QFile::copy(historyPath, home.filePath(QStringLiteral("kesto.db")));
        QProcess kesto;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home.path());
        kesto.setProcessEnvironment(env);
        kesto.setWorkingDirectory(binDir);
        QElapsedTimer clock;
        clock.start();
        kesto.start(binDir + QStringLiteral("/kesto"), {});
        kesto.waitForStarted();
        while (!trayIconShown() && clock.elapsed() < 20000)
            QThread::msleep(5);
        startups << clock.nsecsElapsed() / 1e6;
        if (round == 0) {
            QThread::msleep(1000);
            startRss = rssMb(kesto.processId());
            // "Show log..." from the tray menu, then closed again.
            const QString icon = run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--pid"),
                                                                QString::number(kesto.processId())})
                                     .split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                                     .value(0);
            for (const QString &id : run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--pid"),
                                                                    QString::number(kesto.processId())})
                                         .split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
                if (run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), id}).contains(QLatin1String("Width: 24"))) {
                    run(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QStringLiteral("--window"), id,
                                                    QStringLiteral("12"), QStringLiteral("12"),
                                                    QStringLiteral("click"), QStringLiteral("3")});
                    break;
                }
            }
            Q_UNUSED(icon);
            QThread::msleep(500);
            run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Down"), QStringLiteral("Down"),
                                            QStringLiteral("Return")});
            QString dialog;
            for (int i = 0; i < 100 && dialog.isEmpty(); ++i) {
                dialog = run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                                         QStringLiteral("--name"), QStringLiteral("^Activity Log$")})
                             .trimmed();
                QThread::msleep(100);
            }
            if (dialog.isEmpty())
                std::fprintf(stderr, "warning: the activity log did not open\n");
            QThread::msleep(500);
            run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Escape")});
            QThread::msleep(1000);
            dialogRss = rssMb(kesto.processId());
        }
        kesto.kill();
        kesto.waitForFinished();
    }
    report(QStringLiteral("rss.start_mb"), startRss, "MB");
    report(QStringLiteral("rss.after_ticks_mb"), startRss + figure(QStringLiteral("rss.ticks_growth_mb")), "MB");
    report(QStringLiteral("rss.after_dialog_mb"), dialogRss, "MB");
    report(QStringLiteral("startup.tray_ms"), median(startups), "ms");
}

void table()
{
    auto ratio = [](double a, double b) { return b > 0 ? QString::number(a / b, 'f', 2) + "x" : QStringLiteral("-"); };
    std::printf("\n| history | range | view | rows | first_rows_ms | last_row_ms | sqlite3 shell | max_stall_ms |\n"
                "|---|---|---|---|---|---|---|---|\n");
    for (const char *history : {"heavy", "browser"}) {
        for (const char *range : {"month", "year", "five_years"}) {
            for (const char *view : kViewNames) {
                const QString p = QStringLiteral("report.%1.%2.%3.").arg(history, range, view);
                if (figure(p + "rows") < 0)
                    continue;
                std::printf("| %s | %s | %s | %.0f | %.0f | %.0f | %.0f | %.0f |\n", history, range, view,
                            figure(p + "rows"), figure(p + "first_rows_ms"), figure(p + "last_row_ms"),
                            figure(p + "sqlite3_ms"), figure(p + "max_stall_ms"));
            }
        }
    }
    std::printf("\n| history | memory before the search | a year of programs shown | after closing |\n|---|---|---|---|\n");
    for (const char *history : {"heavy", "browser"}) {
        const QString p = QStringLiteral("memory.%1.year_programs.").arg(history);
        std::printf("| %s | %.1f MB | %.1f MB | %.1f MB |\n", history, figure(p + "rss_before_mb"),
                    figure(p + "rss_shown_mb"), figure(p + "rss_closed_mb"));
    }
    std::printf("\n| history | CSV export of a year | kesto | sqlite3 -csv | ratio | max_stall_ms |\n|---|---|---|---|---|---|\n");
    for (const char *history : {"heavy", "browser"}) {
        for (const char *view : kViewNames) {
            const QString p = QStringLiteral("export.%1.year.%2.").arg(history, view);
            std::printf("| %s | %s (%.0f lines) | %.0f ms | %.0f ms | %s | %.0f |\n", history, view, figure(p + "lines"),
                        figure(p + "ms"), figure(p + "sqlite3_ms"),
                        qPrintable(ratio(figure(p + "ms"), figure(p + "sqlite3_ms"))), figure(p + "max_stall_ms"));
        }
    }
    std::printf("\n| history | five years of programs read | Close mid-search | dialog gone | --quit mid-export | window gone "
                "| old file kept | target |\n|---|---|---|---|---|---|---|---|\n");
    for (const char *history : {"heavy", "browser"}) {
        for (const char *log : {"by_day", "whole_range"}) {
            const QString p = QStringLiteral("cancel.%1.%2.").arg(history, log);
            if (figure(p + "close_ms") < 0)
                continue;
            const QString quit = figure(p + "quit_refused_runs") > 0
                                     ? QStringLiteral("refused in %1 runs").arg(figure(p + "quit_refused_runs"))
                                     : QStringLiteral("%1 ms").arg(figure(p + "quit_ms"), 0, 'f', 0);
            std::printf("| %s | %s | %.0f ms | %.0f ms | %s | %.0f ms | %s | <= 100 ms |\n", history,
                        log == QLatin1String("by_day") ? "day by day" : "one whole-range statement",
                        figure(p + "close_ms"), figure(p + "closed_and_freed_ms"), qPrintable(quit),
                        figure(p + "quit_and_window_gone_ms"), figure(p + "old_file_kept") > 0 ? "yes" : "NO");
        }
    }
    if (figure("publish.five_years.snapshot_ms") >= 0) {
        const QString p = QStringLiteral("merge.three_computers.year.programs.");
        std::printf("\n| other computers | kesto | sqlite3 shell | target | max_stall_ms (worst) |\n|---|---|---|---|---|\n");
        std::printf("| snapshot of the five-year log (%.0f MB) | %.0f ms | | <= 2,000 ms | %.0f (%.0f) |\n",
                    figure("publish.five_years.file_mb"), figure("publish.five_years.snapshot_ms"),
                    figure("publish.five_years.max_stall_ms"), figure("publish.five_years.max_stall_worst_ms"));
        std::printf("| a year of programs over three logs, %.0f rows: first rows | %.0f ms | | | |\n",
                    figure(p + "rows"), figure(p + "first_rows_ms"));
        std::printf("| the same, last row | %.0f ms | %.0f ms (%.0f lines) | <= %.0f ms | %.0f (%.0f) |\n",
                    figure(p + "last_row_ms"), figure(p + "sqlite3_ms"), figure(p + "sqlite3_lines"),
                    figure(p + "sqlite3_ms") * 1.2 + 100, figure(p + "max_stall_ms"), figure(p + "max_stall_worst_ms"));
        std::printf("| reading the two other logs whole, once per snapshot | %.0f ms | | | |\n", figure("merge.check_ms"));
    }
    if (figure("summary.heavy.build_s") >= 0 || figure("summary.browser.build_s") >= 0) {
        std::printf("\n| history | range | summary: totals | complete | sqlite3 GROUP BY | max_stall_ms | target |\n"
                    "|---|---|---|---|---|---|---|\n");
        for (const char *history : {"heavy", "browser"}) {
            for (const char *range : {"month", "year", "five_years"}) {
                const QString p = QStringLiteral("summary.%1.%2.").arg(history, range);
                if (figure(p + "complete_ms") < 0)
                    continue;
                std::printf("| %s | %s (%.0f h) | %.0f ms | %.0f ms | %.0f ms | %.0f | <= 300 ms, <= 1,000 ms |\n", history,
                            range, figure(p + "hours"), figure(p + "totals_ms"), figure(p + "complete_ms"),
                            figure(p + "sqlite3_ms"), figure(p + "max_stall_ms"));
            }
        }
        std::printf("\n| history | log | rollup build | longest step | extra size | day timeline |\n|---|---|---|---|---|---|\n");
        for (const char *history : {"heavy", "browser"}) {
            const QString p = QStringLiteral("summary.%1.").arg(history);
            if (figure(p + "build_s") < 0)
                continue;
            std::printf("| %s | %.0f MB | %.1f s in %.0f steps | %.0f ms | %.1f %% (<= 10 %%) | %.1f ms, %.0f stretches (<= 100 ms) |\n",
                        history, figure(p + "log_mb"), figure(p + "build_s"), figure(p + "build_steps"),
                        figure(p + "build_longest_step_ms"), figure(p + "extra_percent"), figure(p + "timeline_ms"),
                        figure(p + "timeline_stretches"));
        }
    }
    std::printf("\n| figure | kesto | peer | ratio | target |\n|---|---|---|---|---|\n");
    const double tick = figure("tick.x11.cpu_us"), shell = figure("tick.shell.cpu_us");
    std::printf("| sampler tick, CPU | %.0f us | %.0f us shell loop | %s cheaper | <= 500 us, >= 20x |\n", tick, shell,
                qPrintable(ratio(shell, tick)));
    std::printf("| sampler tick with 0 / 10 / 1,000 privacy rules, CPU of the interface thread | %.0f / %.0f / %.0f us "
                "| | | < 1000 us |\n",
                figure("tick.rules_0.cpu_us"), figure("tick.rules_10.cpu_us"), figure("tick.rules_1000.cpu_us"));
    std::printf("| idle query per tick, CPU | %.1f us (ticks with it %.0f us, without %.0f us) | | | <= 50 us |\n",
                figure("tick.x11_idle.cpu_us"), figure("tick.x11_with_idle.cpu_us"),
                figure("tick.x11_without_idle.cpu_us"));
    std::printf("| memory after start-up | %.1f MB | | | <= 40 MB |\n", figure("rss.start_mb"));
    for (const auto &[kind, key] : kKinds)
        std::printf("| memory growth over 100,000 ticks, %s | %.3f MB | | | <= 0.25 MB |\n",
                    qPrintable(X11Stage::kindName(kind)), figure(QStringLiteral("rss.ticks_growth_mb.%1").arg(key)));
    std::printf("| memory after the activity log (5-year log) | %.1f MB | | | |\n", figure("rss.after_dialog_mb"));
    std::printf("| start-up to tray icon | %.0f ms | | | <= 300 ms |\n", figure("startup.tray_ms"));
    if (figure("stall.slow_disk.max_gap_ms") >= 0) {
        std::printf("| longest stall, 1,000 ticks and an answer, every fsync 200 ms late | %.1f ms | %.0f ms, one "
                    "commit on the interface thread | | <= 20 ms |\n",
                    figure("stall.slow_disk.max_gap_ms"), figure("stall.slow_disk.commit_on_interface_thread_ms"));
        std::printf("| what reached the log meanwhile | %.0f answer, %.0f of 1000 ticks | | | all |\n",
                    figure("stall.slow_disk.answers_saved"), figure("stall.slow_disk.ticks_recorded"));
        std::printf("| the same on the plain disk | %.1f ms | | | |\n", figure("stall.plain_disk.max_gap_ms"));
    }
    if (figure("stall.slow_desktop.max_gap_ms") >= 0)
        std::printf("| longest stall, desktop answering after 500 ms | %.1f ms | samples used: %.0f of %.0f | | <= 20 ms "
                    "|\n",
                    figure("stall.slow_desktop.max_gap_ms"), figure("stall.slow_desktop.samples_used"),
                    figure("stall.slow_desktop.ticks"));
}

} // namespace

int main(int argc, char *argv[])
{
    // As kesto's own main() does.
    FreeMemory::setUp();
    QApplication app(argc, argv);
    const QString binDir = QStringLiteral(KESTO_BIN_DIR);
    // The children of "stalls", each in a setting of its own.
    if (app.arguments().value(1) == QLatin1String("stall-disk")) {
        stallOnSlowDisk(binDir + QStringLiteral("/template.db"));
        return 0;
    }
    if (app.arguments().value(1) == QLatin1String("stall-desktop")) {
        stallOnSlowDesktop(binDir + QStringLiteral("/template.db"));
        return 0;
    }

    const QString cache = qEnvironmentVariable("KESTO_BENCH_CACHE", QStringLiteral(KESTO_BENCH_CACHE));
    const QDate last = History::lastDay();
    const Range month{"month", last.addMonths(-1).addDays(1), last};
    const Range year{"year", last.addYears(-1).addDays(1), last};
    const Range fiveYears{"five_years", last.addYears(-5).addDays(1), last};

    // Parts can be named on the command line: reports memory exports summary
    // sampler rules kesto cancel stalls computers, and heavy or browser for one
    // history only.
    QStringList parts = app.arguments().mid(1);
    QStringList histories;
    for (const char *h : {"heavy", "browser"})
        if (parts.removeAll(QLatin1String(h)))
            histories << QLatin1String(h);
    if (histories.isEmpty())
        histories = QStringList{"heavy", "browser"};
    if (parts.isEmpty())
        parts = QStringList{"reports", "memory", "exports", "cancel", "summary", "sampler", "rules", "kesto", "stalls",
                            "computers"};
    // The histories take minutes to make the first time; only the parts
    // that read them wait for that.
    const bool needsHistories = parts.contains("reports") || parts.contains("memory") || parts.contains("exports")
                                || parts.contains("cancel") || parts.contains("kesto") || parts.contains("computers")
                                || parts.contains("summary");
    const QString history = needsHistories ? History::ensure(cache) : QString();
    const QString browser = needsHistories ? History::ensureBrowser(cache) : QString();
    QTemporaryDir out;
    for (const QString &h : std::as_const(histories)) {
        const QString path = h == QLatin1String("heavy") ? history : browser;
        if (parts.contains("reports"))
            reports(h, path, {month, year, fiveYears}, out.path());
        if (parts.contains("memory"))
            memory(h, path, year);
        if (parts.contains("exports"))
            exports(h, path, year, out.path());
        if (parts.contains("cancel"))
            cancelling(h, path, fiveYears, binDir + QStringLiteral("/template.db"), out.path());
        if (parts.contains("summary"))
            summary(h, path, {month, year, fiveYears}, out.path());
    }
    if (parts.contains("sampler"))
        sampler(binDir + QStringLiteral("/template.db"));
    if (parts.contains("rules"))
        rules(binDir + QStringLiteral("/template.db"));
    if (parts.contains("kesto"))
        realKesto(binDir, history);
    if (parts.contains("stalls"))
        stalls(QCoreApplication::applicationFilePath());
    if (parts.contains("computers"))
        computers(binDir + QStringLiteral("/template.db"), history, {browser, History::ensureBrowser(cache, 1)}, year,
                  out.path());
    table();
    return 0;
}
