#pragma once

#include <QSqlDatabase>
#include <QStringList>

namespace Schema {

// The statements of the template's schema, in order, comments stripped.
QStringList statements();

// Runs every statement on an open database inside one transaction; false (and
// nothing changed) when any of them fails.
bool apply(QSqlDatabase &db);

// The version a log of this kesto has (PRAGMA user_version).
int latestVersion();

// The statements that bring a log from version - 1 to version.
QStringList migration(int version);

enum class Migrated { Current, Done, Newer, Failed };
// Brings an open log to latestVersion() in one transaction. Newer: a later
// kesto's log, left as it is. Failed (read-only, locked, damaged): nothing
// changed; the log is used as it is.
Migrated migrate(QSqlDatabase &db);

} // namespace Schema
