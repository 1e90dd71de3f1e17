#include "reportview.h"

#include <QDateTime>
#include <QIODevice>
#include <QSqlDatabase>
#include <QSqlQuery>

namespace ReportView {

QDate defaultStartDate(const QDate &today)
{
    return today.addMonths(-1);
}

namespace {

// One statement per log, each naming its log by number, all run as one.
QString overLogs(const QString &arm, const QStringList &schemas)
{
    QStringList arms;
    for (int i = 0; i < schemas.size(); ++i)
        arms << arm.arg(schemas[i]).arg(i);
    return arms.join(QStringLiteral(" UNION ALL "));
}

} // namespace

QString statement(int kind, const QStringList &schemas)
{
    if (!schemas.isEmpty()) {
        // A computer's time stays its own: rows group by computer too, so
        // an hour on two computers at once shows as an hour on each.
        switch (kind) {
        case Detailed:
            return overLogs(QStringLiteral("SELECT ActText, ActDate, %2 AS Computer, ROWID AS RowId FROM %1.ActivityLog "
                                           "WHERE ActDate>=:from AND ActDate<=:to"),
                            schemas)
                   + QStringLiteral(" ORDER BY ActDate DESC, Computer");
        case Grouped:
            return QStringLiteral("SELECT ActText, DATE(ActDate), COUNT(*), Computer FROM (")
                   + overLogs(QStringLiteral("SELECT ActText, ActDate, %2 AS Computer FROM %1.ActivityLog "
                                            "WHERE ActDate>=:from AND ActDate<=:to"),
                              schemas)
                   + QStringLiteral(") GROUP BY DATE(ActDate), Computer, ActText "
                                    "ORDER BY DATE(ActDate) DESC, ActText, Computer");
        case Programs:
            return QStringLiteral("SELECT AppFileName, DATE(AppDate), AppTitle, SUM(Duration), Computer FROM (")
                   + overLogs(QStringLiteral("SELECT AppFileName, AppTitle, AppDate, Duration, %2 AS Computer "
                                            "FROM %1.ApplicationLog WHERE AppDate>=:from AND AppDate<=:to"),
                              schemas)
                   + QStringLiteral(") GROUP BY DATE(AppDate), Computer, AppFileName, AppTitle "
                                    "ORDER BY DATE(AppDate) DESC, SUM(Duration) DESC, AppFileName, AppTitle, "
                                    "Computer");
        }
        return QString();
    }
    switch (kind) {
    case Detailed:
        // The row's id names the answer a correction is for.
        return QStringLiteral("SELECT ActText, ActDate, ROWID FROM ActivityLog WHERE ActDate>=? AND ActDate<=? "
                              "ORDER BY ActDate DESC");
    case Grouped:
        return QStringLiteral("SELECT ActText, DATE(ActDate), COUNT(*) FROM ActivityLog  WHERE ActDate>=? AND "
                              "ActDate<=? GROUP BY DATE(ActDate), ActText ORDER BY DATE(ActDate) DESC, ActText");
    case Programs:
        return QStringLiteral("SELECT AppFileName, DATE(AppDate), AppTitle, SUM(Duration) FROM  ApplicationLog "
                              "WHERE AppDate>=? AND AppDate<=? GROUP BY DATE(AppDate), AppFileName, AppTitle "
                              "ORDER BY DATE(AppDate) DESC, SUM(Duration) DESC, AppFileName, AppTitle");
    }
    return QString();
}

int computerColumn(int kind)
{
    switch (kind) {
    case Detailed:
        return 2;
    case Grouped:
        return 3;
    case Programs:
        return 4;
    }
    return -1;
}

int rowIdColumn(int kind, bool severalLogs)
{
    if (kind != Detailed)
        return -1;
    return severalLogs ? 3 : 2;
}

QSqlQuery run(const QSqlDatabase &db, int kind, const QDate &from, const QDate &to, const QStringList &schemas)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    const QString sql = statement(kind, schemas);
    // A statement that does not prepare keeps its own error (a missing table).
    if (!sql.isEmpty() && !query.prepare(sql))
        return query;
    bindAndExec(query, from, to);
    return query;
}

bool bindAndExec(QSqlQuery &query, const QDate &from, const QDate &to)
{
    const QDateTime lastSecond = QDateTime(to.addDays(1), QTime(0, 0)).addSecs(-1);
    // Bound as the texts the stored dates are compared with, whatever the
    // driver's own date formats: 'YYYY-MM-DD' and 'YYYY-MM-DDT23:59:59'.
    if (query.lastQuery().contains(QLatin1String(":from"))) {
        query.bindValue(QStringLiteral(":from"), from.toString(Qt::ISODate));
        query.bindValue(QStringLiteral(":to"), lastSecond.toString(Qt::ISODate));
    } else {
        query.bindValue(0, from.toString(Qt::ISODate));
        query.bindValue(1, lastSecond.toString(Qt::ISODate));
    }
    return query.exec();
}

QString formatDuration(const QVariant &seconds)
{
    bool ok = false;
    const qint64 total = seconds.isNull() ? 0 : seconds.toLongLong(&ok);
    if (!ok)
        return QStringLiteral("--:--:--");
    return formatDuration(total);
}

QString formatDuration(qint64 total)
{
    // Only a hand-edited log has negative sums; wrap them like a clock.
    if (total < 0)
        total = ((total % 86400) + 86400) % 86400;
    // Built by hand: a year of programs formats hundreds of thousands of these.
    const qint64 hours = total / 3600;
    QString text = hours < 10 ? QStringLiteral("0") + QString::number(hours) : QString::number(hours);
    const int minutes = int(total / 60 % 60);
    const int secs = int(total % 60);
    const QChar digits[] = {QLatin1Char(':'), QLatin1Char(char('0' + minutes / 10)), QLatin1Char(char('0' + minutes % 10)),
                            QLatin1Char(':'), QLatin1Char(char('0' + secs / 10)), QLatin1Char(char('0' + secs % 10))};
    text.append(digits, 6);
    return text;
}

QByteArray quotedField(const QString &text)
{
    QByteArray field;
    appendQuoted(field, text);
    return field;
}

void appendQuoted(QByteArray &line, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    line += '"';
    if (!utf8.contains('"')) {
        line += utf8;
    } else {
        for (const char c : utf8) {
            if (c == '"')
                line += '"';
            line += c;
        }
    }
    line += '"';
}

namespace {

void appendPlain(QByteArray &line, const QVariant &value)
{
    // Sums and counts come as integers; texts (dates) as they are stored.
    switch (value.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
        line += QByteArray::number(value.toLongLong());
        break;
    default:
        line += value.toString().toUtf8();
    }
}

} // namespace

bool writeCsv(QSqlQuery &query, int kind, QIODevice &out, const std::atomic<bool> *stop, std::atomic<qint64> *rows,
              const QStringList &computers, const CategoryOf &category)
{
    const int computer = computers.isEmpty() ? -1 : computerColumn(kind);
    // Lines are gathered and written in blocks: a year of programs is
    // hundreds of thousands of lines.
    constexpr int kBlock = 1 << 16;
    QByteArray buffer;
    buffer.reserve(kBlock + 4096);
    qint64 lines = 0;
    const auto flush = [&] {
        // A short write is tried again, so that the call that fails says why.
        qint64 done = 0;
        while (done < buffer.size()) {
            const qint64 n = out.write(buffer.constData() + done, buffer.size() - done);
            if (n <= 0)
                break;
            done += n;
        }
        const bool ok = done == buffer.size();
        buffer.clear();
        if (rows)
            rows->fetch_add(lines, std::memory_order_relaxed);
        lines = 0;
        return ok;
    };
    while (query.next()) {
        switch (kind) {
        case Detailed:
            appendPlain(buffer, query.value(1));
            buffer += ',';
            appendQuoted(buffer, query.value(0).toString());
            break;
        case Grouped:
            appendPlain(buffer, query.value(1));
            buffer += ',';
            appendPlain(buffer, query.value(2));
            buffer += ',';
            appendQuoted(buffer, query.value(0).toString());
            break;
        case Programs: {
            const QString path = query.value(0).toString();
            const QString title = query.value(2).toString();
            appendPlain(buffer, query.value(1));
            buffer += ',';
            appendPlain(buffer, query.value(3));
            buffer += ',';
            appendQuoted(buffer, path);
            buffer += ',';
            appendQuoted(buffer, title);
            buffer += ',';
            appendQuoted(buffer, category ? category(path, title) : QString());
            break;
        }
        default:
            continue;
        }
        if (computer >= 0) {
            buffer += ',';
            appendQuoted(buffer, computers.value(query.value(computer).toInt()));
        }
        buffer += '\n';
        ++lines;
        if (buffer.size() >= kBlock) {
            if (!flush())
                return false;
            if (stop && stop->load(std::memory_order_relaxed))
                return false;
        }
    }
    return buffer.isEmpty() || flush();
}

} // namespace ReportView
