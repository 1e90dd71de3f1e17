#include "publisher.h"

#include "logdatabase.h"
#include "peerlogs.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryFile>
#include <QThread>

#include <filesystem>
#include <system_error>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("Publisher", text);
}

// A connection of its own for one job on this thread, removed with it.
class Connection
{
public:
    Connection(const QString &path, const QString &options)
        : name(QStringLiteral("kesto-publish-") + SyncSettings::newId())
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(options);
        db.open();
    }
    ~Connection()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    }
    QSqlDatabase db() const { return QSqlDatabase::database(name, false); }

private:
    QString name;
};

QString sqlText(const QString &text)
{
    return QLatin1Char('\'') + QString(text).replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\'');
}

// The copy says who published it and when (in UTC: computers in other time
// zones compare it); the rest of this computer's settings (its folder, for
// one) and its rules (their patterns name what the user keeps out) are
// nobody else's business, and are overwritten, not left in free pages.
QString stamp(const QString &copy, const SyncSettings::Values &values)
{
    Connection connection(copy, QString());
    QSqlDatabase db = connection.db();
    if (!db.isOpen())
        return db.lastError().text();
    QSqlQuery rules(QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type = 'table' AND name = 'Rules'"), db);
    const bool hasRules = rules.next() && rules.value(0).toInt() > 0;
    rules.finish();
    QStringList statements = {
        QStringLiteral("PRAGMA journal_mode=DELETE"),
        QStringLiteral("PRAGMA secure_delete=ON"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS Settings (Name TEXT PRIMARY KEY, Value)"),
        QStringLiteral("BEGIN"),
        QStringLiteral("DELETE FROM Settings"),
        QStringLiteral("INSERT INTO Settings (Name, Value) VALUES ('ComputerId', %1), ('ComputerName', %2), "
                       "('PublishedAt', datetime('now')), ('ReadableBy', %3)")
            .arg(sqlText(values.id), sqlText(values.name))
            .arg(PeerLogs::kFormat),
    };
    if (hasRules)
        statements << QStringLiteral("DELETE FROM Rules");
    statements << QStringLiteral("COMMIT");
    for (const QString &sql : statements) {
        QSqlQuery query(db);
        if (!query.exec(sql))
            return query.lastError().text();
    }
    return QString();
}

// What tells that the log changed: its file and its write-ahead log.
QString logState(const QString &logPath)
{
    QString state;
    for (const QString &path : {logPath, logPath + QStringLiteral("-wal")}) {
        const QFileInfo info(path);
        state += QStringLiteral("%1:%2;").arg(info.size()).arg(info.lastModified().toMSecsSinceEpoch());
    }
    return state;
}

} // namespace

// Lives on the publisher's thread.
class PublisherWorker : public QObject
{
public:
    explicit PublisherWorker(const QString &logPath)
        : logPath(logPath)
    {
    }

    // The file written and why not, both empty when there was nothing to do.
    std::pair<QString, QString> publish(const SyncSettings::Values &values, bool force)
    {
        if (values.folder.isEmpty())
            return {};
        const QString state = logState(logPath);
        if (!force && values == lastValues && state == lastState)
            return {};
        const QString problem = Publisher::snapshot(logPath, values);
        if (!problem.isEmpty())
            return {QString(), problem};
        lastValues = values;
        lastState = state;
        return {SyncSettings::publishedPath(values.folder, values.name), QString()};
    }

    void retire(const SyncSettings::Values &earlier)
    {
        if (earlier.folder.isEmpty())
            return;
        const QString path = SyncSettings::publishedPath(earlier.folder, earlier.name);
        PeerLogs::Peer owner;
        QString why;
        if (QFileInfo::exists(path) && PeerLogs::inspect(path, &owner, &why, false) && owner.id == earlier.id)
            QFile::remove(path);
        lastValues = SyncSettings::Values();
    }

private:
    const QString logPath;
    SyncSettings::Values lastValues;
    QString lastState;
};

Publisher::Publisher(const QString &logPath, QObject *parent)
    : QObject(parent)
    , thread(new QThread)
    , worker(new PublisherWorker(logPath))
{
    thread->setObjectName(QStringLiteral("kesto publisher"));
    worker->moveToThread(thread);
    thread->start();
}

Publisher::~Publisher()
{
    thread->quit();
    thread->wait();
    delete worker;
    delete thread;
}

void Publisher::configure(const SyncSettings::Values &values)
{
    this->values = values;
}

void Publisher::publishSoon(bool force)
{
    if (values.folder.isEmpty())
        return;
    QMetaObject::invokeMethod(
        worker,
        [w = worker, self = this, v = values, force] {
            const auto [path, problem] = w->publish(v, force);
            if (path.isEmpty() && problem.isEmpty())
                return;
            QMetaObject::invokeMethod(self, [self, path = path, problem = problem] { emit self->done(path, problem); },
                                      Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

QString Publisher::publishAndWait(bool force)
{
    if (values.folder.isEmpty())
        return QString();
    std::pair<QString, QString> result;
    QMetaObject::invokeMethod(worker, [w = worker, v = values, force] { return w->publish(v, force); },
                              Qt::BlockingQueuedConnection, &result);
    if (!result.first.isEmpty() || !result.second.isEmpty())
        emit done(result.first, result.second);
    return result.second;
}

void Publisher::retire(const SyncSettings::Values &earlier)
{
    QMetaObject::invokeMethod(worker, [w = worker, earlier] { w->retire(earlier); }, Qt::QueuedConnection);
}

QString Publisher::snapshot(const QString &logPath, const SyncSettings::Values &values)
{
    const QString folder = QDir::toNativeSeparators(values.folder);
    if (!QFileInfo(values.folder).isDir())
        return tr("The sync folder %1 is not there.").arg(folder);
    const QString target = SyncSettings::publishedPath(values.folder, values.name);
    if (QFileInfo::exists(target)) {
        PeerLogs::Peer owner;
        QString why;
        if (!PeerLogs::inspect(target, &owner, &why, false) || owner.id != values.id)
            return tr("%1 in the sync folder is another computer's; kesto leaves it alone. Please give this "
                      "computer another name.")
                .arg(QFileInfo(target).fileName());
    }
    if (!QFileInfo::exists(logPath))
        return tr("There is no log to publish yet.");
    // Created empty, private to this user, and hidden from readers and most
    // sync engines until it is renamed.
    QTemporaryFile copy(QDir(values.folder).filePath(QStringLiteral(".%1.XXXXXX.tmp").arg(values.name + SyncSettings::fileSuffix())));
    if (!copy.open())
        return tr("kesto cannot write into %1: %2").arg(folder, copy.errorString());
    copy.close();
    {
        // Read-only: publishing can never change the log, and a reader takes
        // no lock that holds up the writer of a log in write-ahead mode.
        Connection log(logPath, QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=5000"));
        QSqlDatabase db = log.db();
        if (!db.isOpen())
            return tr("The log cannot be read: %1").arg(db.lastError().text());
        QSqlQuery vacuum(db);
        if (!vacuum.exec(QStringLiteral("VACUUM INTO %1").arg(sqlText(copy.fileName()))))
            return tr("The log cannot be copied: %1").arg(vacuum.lastError().text());
    }
    const QString stamped = stamp(copy.fileName(), values);
    if (!stamped.isEmpty())
        return tr("The copy of the log cannot be finished: %1").arg(stamped);
    // Replaces the published file in one step (rename(2); MoveFileEx on Windows).
    std::error_code error;
    std::filesystem::rename(std::filesystem::u8path(copy.fileName().toStdString()),
                            std::filesystem::u8path(target.toStdString()), error);
    if (error)
        return tr("kesto cannot write %1: %2").arg(QDir::toNativeSeparators(target), QString::fromStdString(error.message()));
    copy.setAutoRemove(false);
    return QString();
}
