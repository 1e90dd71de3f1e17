#include "answerjoin.h"

#include <QHash>

#include <algorithm>

namespace AnswerJoin {

namespace {

const QString kStamp = QStringLiteral("yyyy-MM-dd HH:mm:ss");

} // namespace

QDateTime plainTime(const QString &stamp)
{
    // By hand: a day of a busy log is thousands of stamps, and Qt's
    // format parser takes microseconds each.
    if (stamp.size() != 19 || stamp[4] != QLatin1Char('-') || stamp[7] != QLatin1Char('-')
        || stamp[10] != QLatin1Char(' ') || stamp[13] != QLatin1Char(':') || stamp[16] != QLatin1Char(':'))
        return QDateTime();
    const auto number = [&stamp](int at, int digits, bool *ok) {
        int value = 0;
        for (int i = at; i < at + digits; ++i) {
            const char16_t c = stamp[i].unicode();
            if (c < u'0' || c > u'9')
                *ok = false;
            value = value * 10 + (c - u'0');
        }
        return value;
    };
    bool ok = true;
    const QDate day(number(0, 4, &ok), number(5, 2, &ok), number(8, 2, &ok));
    const int hour = number(11, 2, &ok);
    const int minute = number(14, 2, &ok);
    const int second = number(17, 2, &ok);
    if (!ok || !day.isValid() || !QTime::isValid(hour, minute, second))
        return QDateTime();
    return QDateTime(day, QTime(hour, minute, second), Qt::UTC);
}

QString stampText(const QDateTime &plain)
{
    return plain.toString(kStamp);
}

int minutesAt(const QList<Interval> &intervals, const QDateTime &at, int fallback)
{
    int minutes = fallback;
    for (const Interval &interval : intervals) {
        if (interval.since.isValid() && interval.since > at)
            break;
        minutes = interval.minutes;
    }
    // A stored 0 or less would make every answer stand for nothing.
    return minutes > 0 ? minutes : 30;
}

QList<Joined> joinDay(const QDate &day, const QList<Answer> &answers, const QList<Span> &absences,
                      const QList<Interval> &intervals, int fallbackMinutes, const QList<Stretch> &stretches)
{
    // Seconds on a plain clock: a day of a busy log joins thousands of rows.
    const qint64 midnight = QDateTime(day, QTime(0, 0), Qt::UTC).toSecsSinceEpoch();
    const qint64 nextMidnight = midnight + 86400;
    struct Piece
    {
        qint64 start;
        qint64 end;
        int stretch;
    };
    QList<Piece> pieces;
    pieces.reserve(stretches.size());
    qint64 longest = 0;
    for (int i = 0; i < stretches.size(); ++i) {
        const Stretch &stretch = stretches[i];
        if (stretch.seconds <= 0 || !stretch.start.isValid())
            continue;
        const qint64 start = stretch.start.toSecsSinceEpoch();
        const qint64 end = start + stretch.seconds;
        if (end <= midnight || start >= nextMidnight)
            continue;
        pieces.append({start, end, i});
        longest = std::max(longest, end - start);
    }
    std::sort(pieces.begin(), pieces.end(), [](const Piece &a, const Piece &b) { return a.start < b.start; });
    // Recording began that day with its first program time; a day without
    // any counts from midnight.
    const qint64 began = pieces.isEmpty() ? midnight : std::max(pieces.first().start, midnight);

    QList<Joined> joined;
    qint64 previous = began;
    for (const Answer &answer : answers) {
        if (!answer.at.isValid() || answer.at.date() != day)
            continue;
        const qint64 at = answer.at.toSecsSinceEpoch();
        qint64 start = std::max(previous, at - 60LL * minutesAt(intervals, answer.at, fallbackMinutes));
        for (const Span &away : absences) {
            if (!away.end.isValid())
                continue;
            const qint64 end = away.end.toSecsSinceEpoch();
            if (end <= at && end > start)
                start = end;
        }
        start = std::min(start, at);
        previous = std::max(previous, at);
        Joined entry;
        entry.answer = answer.text;
        entry.at = answer.at;
        entry.start = QDateTime::fromSecsSinceEpoch(start, Qt::UTC);
        entry.seconds = at - start;
        if (entry.seconds > 0) {
            QHash<QPair<QString, QString>, int> index;
            auto piece = std::lower_bound(pieces.cbegin(), pieces.cend(), start - longest,
                                          [](const Piece &p, qint64 value) { return p.start < value; });
            for (; piece != pieces.cend() && piece->start < at; ++piece) {
                const qint64 from = std::max(piece->start, start);
                const qint64 to = std::min(piece->end, at);
                if (from >= to)
                    continue;
                const Stretch &stretch = stretches[piece->stretch];
                const auto key = qMakePair(stretch.program, stretch.category);
                auto found = index.constFind(key);
                if (found == index.cend()) {
                    found = index.insert(key, int(entry.programs.size()));
                    entry.programs.append({stretch.program, stretch.category, 0});
                }
                entry.programs[*found].seconds += to - from;
            }
        }
        joined.append(entry);
    }
    return joined;
}

} // namespace AnswerJoin
