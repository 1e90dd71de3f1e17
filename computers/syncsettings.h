#pragma once

#include <QSqlDatabase>
#include <QString>

// Where this computer publishes its log for the others, and under which
// name. All three live in the log's Settings table; sharing is off while the
// folder is empty.
namespace SyncSettings {

inline QString folderKey() { return QStringLiteral("SyncFolder"); }
inline QString nameKey() { return QStringLiteral("ComputerName"); }
inline QString idKey() { return QStringLiteral("ComputerId"); }

// What every published file ends with.
inline QString fileSuffix() { return QStringLiteral(".kesto.db"); }

struct Values
{
    QString folder; // empty: nothing is published
    QString name;
    QString id; // random, made once per log; tells computers of the same name apart
    bool operator==(const Values &other) const
    {
        return folder == other.folder && name == other.name && id == other.id;
    }
    bool operator!=(const Values &other) const { return !(*this == other); }
};

// What the log says; the name is the host's until one is stored, and the id
// is empty until one is made.
Values read(QSqlDatabase &db);
// The same from the log's file, for a kesto started only to hand on a command.
Values readFile(const QString &logPath);

QString newId();
// The host name, made fit to name a file.
QString defaultName();

// The file this computer publishes: <folder>/<name>.kesto.db.
QString publishedPath(const QString &folder, const QString &name);

// Why a name cannot be a computer's name (it names a file on every system
// the folder may reach), or an empty string.
QString nameProblem(const QString &name);

// Why this computer (ownId) cannot publish as name into folder, or an empty
// string: the folder must be there and take files, and no other computer may
// publish under that name already. An empty folder (sharing off) is fine.
QString problem(const QString &folder, const QString &name, const QString &ownId);

} // namespace SyncSettings
