#include "history.h"

#include "schema.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTextStream>
#include <QVariant>

#include <cmath>
#include <cstdio>
#include <functional>
#include <random>

namespace History {

namespace {

constexpr int kYears = 5;
constexpr int kPrograms = 200;
constexpr int kTitles = 20000;
constexpr int kAnswers = 1000;
constexpr int kVersion = 1;

// Picks 0..n-1 with a Zipf-like skew: a few programs and titles dominate.
class Zipf
{
public:
    Zipf(int n, double s)
    {
        double total = 0;
        for (int i = 1; i <= n; ++i)
            total += 1.0 / std::pow(i, s);
        double running = 0;
        for (int i = 1; i <= n; ++i) {
            running += 1.0 / std::pow(i, s) / total;
            cumulative.push_back(running);
        }
    }
    int operator()(std::mt19937 &rng)
    {
        const double u = std::uniform_real_distribution<double>(0, 1)(rng);
        return int(std::lower_bound(cumulative.begin(), cumulative.end(), u) - cumulative.begin());
    }

private:
    std::vector<double> cumulative;
};

// The two insert statements a history is written with.
struct Writer
{
    explicit Writer(const QSqlDatabase &db)
        : app(db)
        , act(db)
    {
        app.prepare(QStringLiteral(
            "INSERT INTO ApplicationLog (AppFileName, AppTitle, AppDate, Duration) VALUES (?, ?, ?, ?)"));
        act.prepare(QStringLiteral("INSERT INTO ActivityLog (ActText, ActDate) VALUES (?, ?)"));
    }
    void program(const QString &path, const QString &title, const QString &dayText, int clock, int duration)
    {
        app.addBindValue(path);
        app.addBindValue(title);
        app.addBindValue(dayText + QTime(0, 0).addSecs(clock % 86400).toString(QStringLiteral("HH:mm:ss")));
        app.addBindValue(duration);
        app.exec();
    }
    // A day's answers, every 1,700 seconds from 08:00.
    void answers(const QString &dayText, int count, const std::function<QString()> &pick)
    {
        for (int a = 0; a < count; ++a) {
            act.addBindValue(pick());
            act.addBindValue(dayText + QTime(8, 0).addSecs(a * 1700 % 57600).toString(QStringLiteral("HH:mm:ss")));
            act.exec();
        }
    }
    QSqlQuery app;
    QSqlQuery act;
};

// The cached history of a name, built by `fill` when it is missing: into a
// partial file with the template's schema, renamed once it is complete.
QString cached(const QString &cacheDir, const QString &fileName, const char *what,
               const std::function<void(Writer &)> &fill)
{
    QDir().mkpath(cacheDir);
    const QString path = cacheDir + QLatin1Char('/') + fileName;
    if (QFile::exists(path))
        return path;

    std::fprintf(stderr, "building the %s in %s (once)...\n", what, qPrintable(path));
    QElapsedTimer clock;
    clock.start();
    const QString partial = path + QStringLiteral(".part");
    QFile::remove(partial);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("history"));
        db.setDatabaseName(partial);
        db.open();
        Schema::apply(db);
        QSqlQuery(QStringLiteral("PRAGMA journal_mode=OFF"), db);
        QSqlQuery(QStringLiteral("PRAGMA synchronous=OFF"), db);
        db.transaction();
        {
            Writer writer(db);
            fill(writer);
        }
        db.commit();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("history"));
    QFile::rename(partial, path);
    std::fprintf(stderr, "built in %.1f s\n", clock.elapsed() / 1000.0);
    return path;
}

} // namespace

QDate lastDay()
{
    return QDate(2026, 11, 30);
}

QString ensure(const QString &cacheDir)
{
    return cached(cacheDir, QStringLiteral("history-v%1.db").arg(kVersion), "five-year history", [](Writer &out) {
        std::mt19937 rng(20261207);
        QStringList programs;
        for (int i = 0; i < kPrograms; ++i)
            programs << QStringLiteral("/usr/lib/app%1/bin/program-%1").arg(i, 3, 10, QLatin1Char('0'));
        // Each program owns a share of the titles; popular programs own more.
        QVector<QStringList> titles(kPrograms);
        Zipf titleOwner(kPrograms, 0.8);
        for (int t = 0; t < kTitles; ++t) {
            const int owner = t < kPrograms ? t : titleOwner(rng);
            titles[owner] << QStringLiteral("Document %1 — %2").arg(t, 5, 10, QLatin1Char('0')).arg(owner);
        }
        QStringList answers;
        for (int a = 0; a < kAnswers; ++a)
            answers << QStringLiteral("Task %1: %2").arg(a).arg(a % 7 == 0 ? "meeting" : "work on \"project\", part");

        Zipf pickProgram(kPrograms, 1.1);
        Zipf pickAnswer(kAnswers, 0.9);
        std::lognormal_distribution<double> seconds(std::log(40.0), 1.3);
        std::uniform_int_distribution<int> rowsPerDay(900, 1100);
        std::uniform_int_distribution<int> answersPerDay(15, 25);

        const QDate first = lastDay().addYears(-kYears).addDays(1);
        for (QDate day = first; day <= lastDay(); day = day.addDays(1)) {
            const QString dayText = day.toString(Qt::ISODate) + QLatin1Char(' ');
            int clock = 7 * 3600;
            const int rows = rowsPerDay(rng);
            for (int r = 0; r < rows; ++r) {
                const int program = pickProgram(rng);
                const QStringList &own = titles[program];
                // Recent documents of a program come back often, old ones rarely.
                const double spread = own.size() / 4.0 + 1;
                const int title = int(std::min<double>(own.size() - 1,
                                                       std::abs(std::normal_distribution<double>(0, spread)(rng))));
                const int duration = 5 * std::max(1, int(std::min(seconds(rng), 3600.0) / 5));
                out.program(programs[program], own[title], dayText, clock, duration);
                clock += std::min(duration, 60);
            }
            out.answers(dayText, answersPerDay(rng), [&] { return answers[pickAnswer(rng)]; });
        }
    });
}

} // namespace History

namespace History {

namespace {

constexpr int kBrowserVersion = 1;

// Pronounceable words from syllables: a vocabulary big enough that titles of
// a few words rarely repeat.
QStringList vocabulary(std::mt19937 &rng, int size)
{
    static const char *const syllables[] = {"ka", "lo", "mi", "ne", "ra", "tu", "vo", "shi", "pla", "tre",
                                            "gon", "der", "sta", "qui", "bel", "mor", "fa", "zen", "lu", "cor"};
    std::uniform_int_distribution<int> count(1, 4);
    std::uniform_int_distribution<int> pick(0, 19);
    QStringList words;
    for (int i = 0; i < size; ++i) {
        QString word;
        for (int s = count(rng); s > 0; --s)
            word += QLatin1String(syllables[pick(rng)]);
        if (i % 9 == 0)
            word[0] = word[0].toUpper();
        words << word;
    }
    return words;
}

} // namespace

QString ensureBrowser(const QString &cacheDir, int variant)
{
    const QString name = variant == 0 ? QStringLiteral("browser-v%1.db").arg(kBrowserVersion)
                                      : QStringLiteral("browser%1-v%2.db").arg(variant + 1).arg(kBrowserVersion);
    return cached(cacheDir, name, "browser history", [variant](Writer &out) {
        std::mt19937 rng(20261208 + variant);
        const QStringList words = vocabulary(rng, 4000);
        struct Program
        {
            QString path;
            QString suffix;
        };
        QList<Program> programs{{"/usr/lib/firefox-esr/firefox-esr", " — Mozilla Firefox"},
                                {"/usr/lib/chromium/chromium", " - Chromium"},
                                {"/usr/lib/thunderbird/thunderbird", " - Mozilla Thunderbird"},
                                {"/usr/bin/evince", " — Document Viewer"},
                                {"/usr/lib/libreoffice/program/soffice.bin", " - LibreOffice Writer"}};
        for (int i = 0; i < 35; ++i)
            programs.append({QStringLiteral("/opt/tool%1/bin/tool-%1").arg(i, 2, 10, QLatin1Char('0')),
                             QStringLiteral(" - Tool %1").arg(i)});
        Zipf pickProgram(int(programs.size()), 1.6);
        Zipf pickAnswer(kAnswers, 0.9);
        std::uniform_int_distribution<int> titleLength(40, 150);
        std::uniform_int_distribution<int> pickWord(0, int(words.size()) - 1);
        std::uniform_real_distribution<double> chance(0, 1);
        std::lognormal_distribution<double> seconds(std::log(30.0), 1.2);
        std::uniform_int_distribution<int> answersPerDay(15, 25);
        QStringList answers;
        for (int a = 0; a < kAnswers; ++a)
            answers << QStringLiteral("Task %1: %2").arg(a).arg(a % 7 == 0 ? "meeting" : "research, \"reading\"");

        constexpr int years = 3;
        const QDate first = lastDay().addYears(-years).addDays(1);
        for (QDate day = first; day <= lastDay(); day = day.addDays(1)) {
            // Busier every year: about 1,700, 1,850 and 2,000 rows a day.
            const int year = std::min(years - 1, int(first.daysTo(day) / 365));
            const int mean = 1700 + 150 * year;
            const int rows = std::uniform_int_distribution<int>(mean * 85 / 100, mean * 115 / 100)(rng);
            const QString dayText = day.toString(Qt::ISODate) + QLatin1Char(' ');
            QList<QPair<int, QString>> recent;
            int clock = 7 * 3600;
            for (int r = 0; r < rows; ++r) {
                int program;
                QString title;
                // Now and then back to a tab of the same day; mostly somewhere new.
                if (!recent.isEmpty() && chance(rng) < 0.12) {
                    const auto &again = recent[std::uniform_int_distribution<int>(0, int(recent.size()) - 1)(rng)];
                    program = again.first;
                    title = again.second;
                } else {
                    program = pickProgram(rng);
                    const QString &suffix = programs[program].suffix;
                    const int length = titleLength(rng);
                    while (title.size() + suffix.size() < length) {
                        if (!title.isEmpty())
                            title += QLatin1Char(' ');
                        title += words[pickWord(rng)];
                    }
                    title.truncate(std::max(1, int(length - suffix.size())));
                    title += suffix;
                    recent.append({program, title});
                    if (recent.size() > 40)
                        recent.removeFirst();
                }
                const int duration = 5 * std::max(1, int(std::min(seconds(rng), 1800.0) / 5));
                out.program(programs[program].path, title, dayText, clock, duration);
                clock += std::min(duration, 40);
            }
            out.answers(dayText, answersPerDay(rng), [&] { return answers[pickAnswer(rng)]; });
        }
    });
}

} // namespace History
