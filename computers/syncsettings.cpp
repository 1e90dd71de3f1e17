#include "syncsettings.h"

#include "logdatabase.h"
#include "peerlogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QSysInfo>
#include <QTemporaryFile>
#include <QUuid>

namespace SyncSettings {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("SyncSettings", text);
}

// Characters that some system the folder may reach refuses in file names.
const QRegularExpression &forbidden()
{
    static const QRegularExpression re(QStringLiteral("[\\x00-\\x1f/\\\\:*?\"<>|]"));
    return re;
}

// Names Windows keeps for devices, with or without an extension.
bool reservedOnWindows(const QString &name)
{
    static const QRegularExpression re(QStringLiteral("^(con|prn|aux|nul|com[0-9]|lpt[0-9])(\\..*)?$"),
                                       QRegularExpression::CaseInsensitiveOption);
    return re.match(name).hasMatch();
}

constexpr int kMaxNameLength = 64;

} // namespace

Values read(QSqlDatabase &db)
{
    Values values;
    values.folder = LogDatabase::setting(db, folderKey(), QString()).toString();
    values.name = LogDatabase::setting(db, nameKey(), QString()).toString();
    if (values.name.isEmpty())
        values.name = defaultName();
    values.id = LogDatabase::setting(db, idKey(), QString()).toString();
    return values;
}

Values readFile(const QString &logPath)
{
    const QString connection = QStringLiteral("kesto-settings-") + newId();
    Values values;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(logPath);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=%1")
                                 .arg(LogDatabase::BusyTimeoutMs));
        if (QFileInfo::exists(logPath))
            db.open();
        values = read(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return values;
}

QString newId()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

QString defaultName()
{
    QString name = QSysInfo::machineHostName();
    // A fully qualified name says more than the computer's name.
    name = name.section(QLatin1Char('.'), 0, 0);
    name.replace(forbidden(), QStringLiteral("-"));
    name = name.left(kMaxNameLength).trimmed();
    if (nameProblem(name).isEmpty())
        return name;
    return QStringLiteral("computer");
}

QString publishedPath(const QString &folder, const QString &name)
{
    return QDir(folder).filePath(name + fileSuffix());
}

QString nameProblem(const QString &name)
{
    if (name.trimmed().isEmpty())
        return tr("Please give this computer a name.");
    if (name.size() > kMaxNameLength)
        return tr("A computer's name can be at most %1 characters long.").arg(kMaxNameLength);
    if (name.contains(forbidden()) || name != name.trimmed() || name.startsWith(QLatin1Char('.'))
        || name.endsWith(QLatin1Char('.')) || reservedOnWindows(name))
        return tr("A computer's name names a file: it cannot contain / \\ : * ? \" < > |, start or end with a "
                  "dot or a blank, or be a device name such as CON or NUL.");
    return QString();
}

QString problem(const QString &folder, const QString &name, const QString &ownId)
{
    if (folder.isEmpty())
        return QString();
    const QString badName = nameProblem(name);
    if (!badName.isEmpty())
        return badName;
    const QFileInfo dir(folder);
    if (!dir.isDir())
        return tr("There is no folder %1.").arg(QDir::toNativeSeparators(folder));
    {
        // The only way to know for sure, whatever the permissions say.
        QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".kesto-probe-XXXXXX")));
        if (!probe.open())
            return tr("kesto cannot write into %1: %2").arg(QDir::toNativeSeparators(folder), probe.errorString());
    }
    const QString target = publishedPath(folder, name);
    if (!QFileInfo::exists(target))
        return QString();
    PeerLogs::Peer owner;
    QString why;
    if (!PeerLogs::inspect(target, &owner, &why, false) || owner.id != ownId)
        return tr("The folder already holds %1, which another computer published. Please give this computer "
                  "another name.")
            .arg(QFileInfo(target).fileName());
    return QString();
}

} // namespace SyncSettings
