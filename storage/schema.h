#pragma once

#include <QSqlDatabase>
#include <QStringList>

namespace Schema {

// The statements of the template's schema, in order, comments stripped.
QStringList statements();

// Runs every statement on an open database inside one transaction; false (and
// nothing changed) when any of them fails.
bool apply(QSqlDatabase &db);

} // namespace Schema
