#pragma once

#include <QByteArray>
#include <QString>

// Pure helpers of the X11 backend, kept apart so they can be tested without
// an X server.
namespace X11Titles {

enum class Encoding { Latin1, Utf8, CompoundText, Unknown };

// Decodes a text property's bytes; invalid UTF-8 becomes U+FFFD, never
// nothing. Compound text needs a display, so it is decoded by the caller.
QString decode(const QByteArray &bytes, Encoding encoding);

// The executable of a process as /proc reports it ("/usr/bin/xterm",
// "... (deleted)"); empty when it cannot be read (gone, no permission).
QString executableOfProcess(qint64 pid, const QString &procRoot = QStringLiteral("/proc"));

} // namespace X11Titles
