#include "synccommand.h"

#include "logdatabase.h"
#include "publisher.h"
#include "syncsettings.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <cstdio>

namespace SyncCommand {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("SyncCommand", text);
}

int fail(const QString &text)
{
    std::fputs(qPrintable(text + QLatin1Char('\n')), stderr);
    return 1;
}

// Stores the settings in the log's own file, as the running kesto would.
bool store(const QString &logPath, const SyncSettings::Values &values)
{
    const QString connection = QStringLiteral("kesto-command-") + SyncSettings::newId();
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(logPath);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        if (db.open()) {
            LogDatabase::migrate(db);
            ok = db.transaction();
            const QList<std::pair<QString, QString>> settings = {{SyncSettings::folderKey(), values.folder},
                                                                 {SyncSettings::nameKey(), values.name},
                                                                 {SyncSettings::idKey(), values.id}};
            for (const auto &[name, value] : settings) {
                QSqlQuery query(db);
                query.prepare(LogDatabase::storeSettingSql());
                query.addBindValue(name);
                query.addBindValue(value);
                ok = ok && query.exec();
            }
            ok = ok ? db.commit() : (db.rollback(), false);
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return ok;
}

} // namespace

QString check(const QStringList &arguments)
{
    if (arguments.isEmpty())
        return QString();
    const SyncSettings::Values stored = SyncSettings::readFile(LogDatabase::databasePath());
    const QString name = arguments.size() > 1 ? arguments[1] : stored.name;
    return SyncSettings::problem(arguments[0], name, stored.id);
}

int runWithoutKesto(const QString &command, const QStringList &arguments)
{
    const QString logPath = LogDatabase::databasePath();
    if (!QFileInfo::exists(logPath))
        return fail(tr("kesto has no log yet (%1); start kesto once first.").arg(logPath));
    SyncSettings::Values values = SyncSettings::readFile(logPath);
    if (command == QLatin1String("sync-folder") && !arguments.isEmpty()) {
        values.folder = arguments[0];
        if (arguments.size() > 1)
            values.name = arguments[1];
        if (values.id.isEmpty())
            values.id = SyncSettings::newId();
        if (!store(logPath, values))
            return fail(tr("The settings cannot be stored in the log %1.").arg(logPath));
        if (values.folder.isEmpty())
            return 0;
    } else if (values.folder.isEmpty()) {
        return fail(tr("No sync folder is set; kesto --sync-folder PATH sets one."));
    }
    const QString problem = Publisher::snapshot(logPath, values);
    return problem.isEmpty() ? 0 : fail(problem);
}

} // namespace SyncCommand
