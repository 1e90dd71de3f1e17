// Writes template.db from the schema, so the repository holds no binary database.
#include "schema.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: maketemplate OUTPUT.db\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    const QString partial = out + QStringLiteral(".part");
    QFile::remove(partial);
    bool ok;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("template"));
        db.setDatabaseName(partial);
        // Made in write-ahead-log mode, as kesto uses it, so that a copy stays
        // byte for byte the template until something is written.
        ok = db.open();
        if (ok) {
            QSqlQuery wal(QStringLiteral("PRAGMA journal_mode=WAL"), db);
            ok = wal.isActive();
        }
        ok = ok && Schema::apply(db) && Schema::migrate(db) != Schema::Migrated::Failed;
        if (!ok)
            std::fprintf(stderr, "maketemplate: %s\n", qPrintable(db.lastError().text()));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("template"));
    if (!ok)
        return 1;
    QFile::remove(out);
    return QFile::rename(partial, out) ? 0 : 1;
}
