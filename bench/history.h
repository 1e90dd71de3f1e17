#pragma once

#include <QDate>
#include <QString>

// Deterministic histories, built once and cached.
namespace History {

// The last day of the history; ranges are measured back from it.
QDate lastDay();

// Five years of a heavy user who comes back to the same 20,000 window titles.
// Returns the path of the cached database, building it first when missing.
QString ensure(const QString &cacheDir);

// Three years of a browser-heavy user whose window titles are mostly unique
// (40-150 characters), with over 600,000 program rows in the last year.
// Another variant is another such user (another computer's log).
QString ensureBrowser(const QString &cacheDir, int variant = 0);

} // namespace History
