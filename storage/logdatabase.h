#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QVariant>

// Where the log lives, how it comes into being and what it says about the
// prompt interval. The connection is the application's default one.
namespace LogDatabase {

// ~/kesto.db in native separators.
QString databasePath();

// template.db in the current working directory, in native separators.
QString templatePath();

// Copies the template to databasePath() when no file is there yet. Returns
// true when the file was missing, i.e. this start creates the log.
bool copyTemplateIfMissing();

// Longest wait of one statement for a lock another program holds.
constexpr int BusyTimeoutMs = 250;

// Adds the default "QSQLITE" connection for databasePath().
QSqlDatabase addConnection();

// A log without any of its tables (no template, a failed copy, an empty file)
// would drop every sample and answer for good: give it the template's schema.
// A database that has any of the tables is left alone.
void createSchemaIfEmpty(QSqlDatabase &db);

// Brings the log to this kesto's schema (new tables and columns only). A log
// that cannot take it (read-only, locked) or is from a newer kesto is used as
// it is; settings it lacks read as their defaults.
void migrate(QSqlDatabase &db);

// A setting stored in the log, or fallback when it has none or cannot say.
QVariant setting(QSqlDatabase &db, const QString &name, const QVariant &fallback);

// Stores a setting: the statement, with the name and the value to bind.
inline QString storeSettingSql()
{
    return QStringLiteral("INSERT OR REPLACE INTO Settings (Name, Value) VALUES (?, ?)");
}

// The log holds window titles and answers: a file this start created is made
// private to its owner, whatever mode the template had.
void restrictToOwner(const QString &path);

// Write-ahead logging: a sample's commit costs a third of the CPU of a
// rollback journal, with the same durability (every commit still synced).
void useWriteAheadLog(QSqlDatabase &db);

// The stored prompt interval in minutes, 30 when it cannot be read or is
// negative.
int readQueryMinutes(QSqlDatabase &db);

} // namespace LogDatabase
