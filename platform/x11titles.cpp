#include "x11titles.h"

#include <QFile>

#include <unistd.h>

namespace X11Titles {

QString decode(const QByteArray &bytes, Encoding encoding)
{
    switch (encoding) {
    case Encoding::Latin1:
        return QString::fromLatin1(bytes);
    case Encoding::Utf8:
    case Encoding::Unknown:
        return QString::fromUtf8(bytes);
    case Encoding::CompoundText:
        break;
    }
    return QString();
}

QString executableOfProcess(qint64 pid, const QString &procRoot)
{
    if (pid <= 0)
        return QString();
    const QByteArray link = QFile::encodeName(procRoot) + "/" + QByteArray::number(pid) + "/exe";
    char buffer[4096];
    const ssize_t length = ::readlink(link.constData(), buffer, sizeof buffer);
    if (length <= 0)
        return QString();
    return QFile::decodeName(QByteArray(buffer, int(length)));
}

} // namespace X11Titles
