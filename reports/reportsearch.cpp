#include "reportsearch.h"

#include "reportrunner.h"
#include "reportview.h"
#include "rulestore.h"

#include <QFileInfo>
#include <QSqlQuery>

namespace {

// How long finished days may wait before the interface sees them.
constexpr int kHandOnMs = 250;

// The application's name that ends a program's window titles, taken from its
// first title: what follows the last " - ", " — ", " – " or " | ".
QString titleEnding(const QString &title)
{
    qsizetype at = -1;
    for (const QString &separator : {QStringLiteral(" - "), QStringLiteral(" \u2014 "), QStringLiteral(" \u2013 "),
                                     QStringLiteral(" | ")})
        at = std::max(at, title.lastIndexOf(separator));
    if (at <= 0 || title.size() - at > 48)
        return QString();
    return title.mid(at);
}

// A stored stamp as a date and time. Most are 'YYYY-MM-DD HH:MM:SS' and are
// read as written (held as UTC so that nothing converts them); a local
// date-time costs more than the rest of a row and would move times that fall
// into a daylight saving gap. Anything else is left to the ISO parser.
QDateTime parseStamp(const QString &text)
{
    if (text.size() == 19 && (text[10] == QLatin1Char(' ') || text[10] == QLatin1Char('T'))) {
        const QDate date = QDate::fromString(text.left(10), Qt::ISODate);
        const QTime time = QTime::fromString(text.mid(11), Qt::ISODate);
        if (date.isValid() && time.isValid())
            return QDateTime(date, time, Qt::UTC);
    }
    return QDateTime::fromString(text, Qt::ISODate);
}

} // namespace

ReportSearch::ReportSearch(const QSqlDatabase &db, int kind, const QDate &from, const QDate &to,
                           const ReportScope &scope, QObject *parent)
    : QThread(parent)
    , databaseName(db.databaseName())
    , connectOptions(db.connectOptions())
    , kind(kind)
    , from(from)
    , to(to)
    , locale(QLocale::system())
    , scope(scope)
{
}

ReportSearch::~ReportSearch()
{
    stopping.cancelAndWait(*this);
}

ReportSearch::Taken ReportSearch::take()
{
    QMutexLocker lock(&mutex);
    Taken taken = std::move(waiting);
    waiting = Taken();
    notified = false;
    return taken;
}

QString ReportSearch::notice() const
{
    QMutexLocker lock(&mutex);
    return skipped;
}

void ReportSearch::run()
{
    ReportRunner runner(databaseName, connectOptions, scope, &stopping);
    const QStringList computers = runner.computers();
    const int ownComputer = runner.ownComputer();
    {
        QMutexLocker lock(&mutex);
        skipped = runner.notice();
        waiting.computers = computers;
        waiting.ownComputer = ownComputer;
    }
    if (!computers.isEmpty())
        computerColumn = ReportView::computerColumn(kind);
    rowIdColumn = ReportView::rowIdColumn(kind, !computers.isEmpty());
    sinceHanded.start();
    QStringList categories;
    if (kind == ReportView::Programs) {
        // Read with the rows: the rules as they are now sort all the time shown.
        categorizer = std::make_unique<RuleSet::Categorizer>(RuleSet(RuleStore::load(runner.database()).usable()));
        categories = categorizer->categories();
        QMutexLocker lock(&mutex);
        waiting.categories = categories;
    }
    const auto restart = [this, categories, &computers, ownComputer] {
        reading = ReportRows();
        programIds.clear();
        programs.clear();
        programsToHand.clear();
        handedRows = 0;
        first = true;
        QMutexLocker lock(&mutex);
        waiting = Taken();
        waiting.restart = true;
        waiting.categories = categories;
        waiting.computers = computers;
        waiting.ownComputer = ownComputer;
    };
    const bool whole = runner.run(
        kind, from, to,
        [this](QSqlQuery &query) {
            int sinceCheck = 0;
            while (query.next()) {
                addRow(query);
                if (++sinceCheck == 256) {
                    sinceCheck = 0;
                    if (stopping.isCancelled())
                        return false;
                    // A long statement hands on its finished days as it goes.
                    handOn(false);
                }
            }
            handOn(false);
            return true;
        },
        restart, stopping.flag());
    if (stopping.isCancelled())
        return;
    // What was read before a failure still shows, with the reason beside it.
    failedRead = !whole;
    failure = runner.lastError();
    handOn(true);
}

void ReportSearch::addRow(QSqlQuery &query)
{
    // Rows of one day carry the same date text; each text is parsed once.
    const QString dateText = query.value(1).toString();
    if (first || dateText != lastDateText) {
        lastDateText = dateText;
        lastDateTime = parseStamp(dateText);
    }
    if (first || lastDateTime.date() != currentDay) {
        first = false;
        currentDay = lastDateTime.date();
        reading.startDay(locale.toString(currentDay, QLocale::LongFormat), currentDay);
    }
    const quint32 computer = computerColumn < 0 ? 0 : query.value(computerColumn).toUInt() << ReportRows::kComputerShift;
    switch (kind) {
    case ReportView::Detailed: {
        const QTime time = lastDateTime.time();
        reading.append(time.isValid() ? time.msecsSinceStartOfDay() : ReportRows::kNoValue, query.value(0).toString(),
                       computer);
        if (rowIdColumn >= 0)
            reading.setKey(query.value(rowIdColumn).toLongLong());
        break;
    }
    case ReportView::Grouped:
        reading.append(query.value(2).toLongLong(), query.value(0).toString(), computer);
        break;
    case ReportView::Programs: {
        const QVariant sum = query.value(3);
        bool ok = false;
        const qint64 seconds = sum.isNull() ? 0 : sum.toLongLong(&ok);
        const QString path = query.value(0).toString();
        QString title = query.value(2).toString();
        const int category = categorizer ? categorizer->category(path, title) : -1;
        auto id = programIds.constFind(path);
        if (id == programIds.constEnd()) {
            id = programIds.insert(path, quint32(programs.size()));
            programs.append({QFileInfo(path).fileName(), titleEnding(title), path});
            programsToHand.append(programs.last());
        }
        quint32 program = *id;
        const QString &ending = programs[int(program)].titleEnding;
        if (!ending.isEmpty() && title.size() > ending.size() && title.endsWith(ending)) {
            title.chop(ending.size());
            program |= kSharedEnding;
        }
        reading.append(ok ? seconds : ReportRows::kNoValue, title, program | computer, quint32(category + 1));
        break;
    }
    }
}

void ReportSearch::handOn(bool all)
{
    // Only whole days go: the next statement may still add to the last one.
    // Batches double in size, so that the tree's relayout after each one
    // costs little in total, and they wait no longer than kHandOnMs.
    const int pending = reading.rowCount();
    if (!all && (reading.dayCount() < 2 || (handedRows > 0 && pending < handedRows && sinceHanded.elapsed() < kHandOnMs)))
        return;
    ReportRows last;
    if (!all)
        last = reading.takeLastDay();
    handedRows += reading.rowCount();
    sinceHanded.restart();
    bool notify = false;
    {
        QMutexLocker lock(&mutex);
        waiting.rows.take(reading);
        waiting.newPrograms += programsToHand;
        notify = !notified;
        notified = true;
    }
    programsToHand.clear();
    reading = std::move(last);
    if (notify)
        emit rowsReady();
}
