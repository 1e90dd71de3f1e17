// libFuzzer target: any answer, path or title written by the CSV export and
// read back by an RFC 4180 reader comes back unchanged.
#include "reportview.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDate>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>

#include <cstdint>
#include <cstdlib>

namespace {

// A strict reader: quoted fields with doubled quotes, commas, LF line ends.
bool readCsv(const QString &text, QList<QStringList> &records)
{
    QStringList fields;
    QString field;
    bool quoted = false;
    bool wasQuoted = false;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < text.size() && text[i + 1] == QLatin1Char('"')) {
                    field += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
        } else if (c == QLatin1Char('"')) {
            if (!field.isEmpty() || wasQuoted)
                return false;
            quoted = wasQuoted = true;
        } else if (c == QLatin1Char(',')) {
            fields << field;
            field.clear();
            wasQuoted = false;
        } else if (c == QLatin1Char('\n')) {
            fields << field;
            records << fields;
            fields.clear();
            field.clear();
            wasQuoted = false;
        } else {
            if (wasQuoted)
                return false;
            field += c;
        }
    }
    return !quoted && field.isEmpty() && fields.isEmpty();
}

QSqlDatabase &database()
{
    static int argc = 1;
    static char name[] = "fuzz_csv";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static QSqlDatabase db = [] {
        QSqlDatabase d = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
        d.setDatabaseName(QStringLiteral(":memory:"));
        d.open();
        QSqlQuery(QStringLiteral("CREATE TABLE ActivityLog (ActText TEXT, ActDate TEXT)"), d);
        QSqlQuery(QStringLiteral("CREATE TABLE ApplicationLog (AppFileName TEXT, AppTitle TEXT, AppDate TEXT, "
                                 "Duration INTEGER NOT NULL DEFAULT 5)"),
                  d);
        return d;
    }();
    return db;
}

QList<QStringList> exportView(int kind)
{
    QSqlQuery query = ReportView::run(database(), kind, QDate(2026, 1, 1), QDate(2026, 1, 1));
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    ReportView::writeCsv(query, kind, out);
    QList<QStringList> records;
    if (!readCsv(QString::fromUtf8(out.data()), records))
        std::abort();
    return records;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QSqlDatabase &db = database();
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    // Split between code points: half a surrogate pair cannot be written as UTF-8
    // by anyone, so it could never come back unchanged.
    int half = int(text.size() / 2);
    if (half > 0 && text.at(half - 1).isHighSurrogate() && text.at(half).isLowSurrogate())
        ++half;
    const QString path = text.left(half);
    const QString title = text.mid(half);
    QSqlQuery(QStringLiteral("DELETE FROM ActivityLog"), db);
    QSqlQuery(QStringLiteral("DELETE FROM ApplicationLog"), db);
    QSqlQuery insert(db);
    insert.prepare(QStringLiteral("INSERT INTO ActivityLog VALUES (?, '2026-01-01 10:00:00')"));
    insert.addBindValue(text);
    insert.exec();
    insert.prepare(QStringLiteral("INSERT INTO ApplicationLog VALUES (?, ?, '2026-01-01 10:00:00', 65)"));
    insert.addBindValue(path);
    insert.addBindValue(title);
    insert.exec();

    const QList<QStringList> detailed = exportView(ReportView::Detailed);
    if (detailed != QList<QStringList>{{QStringLiteral("2026-01-01 10:00:00"), text}})
        std::abort();
    const QList<QStringList> grouped = exportView(ReportView::Grouped);
    if (grouped != QList<QStringList>{{QStringLiteral("2026-01-01"), QStringLiteral("1"), text}})
        std::abort();
    const QList<QStringList> programs = exportView(ReportView::Programs);
    // No rules given: the category field is empty.
    if (programs != QList<QStringList>{{QStringLiteral("2026-01-01"), QStringLiteral("65"), path, title, QString()}})
        std::abort();
    return 0;
}
