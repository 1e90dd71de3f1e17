#pragma once

#include <QSqlDatabase>
#include <QString>

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
