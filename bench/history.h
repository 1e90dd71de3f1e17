#pragma once

#include <QDate>
#include <QString>

// A deterministic five-year history of a heavy user, built once and cached.
namespace History {

// The last day of the history; ranges are measured back from it.
QDate lastDay();

// Returns the path of the cached database, building it first when missing.
QString ensure(const QString &cacheDir);

} // namespace History
