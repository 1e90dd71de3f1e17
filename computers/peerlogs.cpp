#include "peerlogs.h"

#include "syncsettings.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QUuid>

#include <algorithm>

namespace PeerLogs {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("PeerLogs", text);
}

quint32 bigEndian(const QByteArray &bytes, int at, int size)
{
    quint32 value = 0;
    for (int i = 0; i < size; ++i)
        value = value << 8 | quint8(bytes[at + i]);
    return value;
}

enum class Header { Whole, NotSqlite, Incomplete, Live };

// SQLite's file header: a file cut short by an interrupted copy has fewer
// bytes than its pages, and a log in write-ahead mode is someone's live log
// (its last writes may be in a file beside it that was not carried along).
Header readHeader(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Header::Incomplete;
    const QByteArray header = file.read(100);
    const qint64 size = file.size();
    if (header.size() < 100)
        return header.isEmpty() || QByteArray("SQLite format 3").startsWith(header.left(15)) ? Header::Incomplete
                                                                                               : Header::NotSqlite;
    if (!header.startsWith(QByteArrayLiteral("SQLite format 3\0")))
        return Header::NotSqlite;
    qint64 pageSize = bigEndian(header, 16, 2);
    if (pageSize == 1)
        pageSize = 65536;
    if (pageSize < 512 || pageSize > 65536 || (pageSize & (pageSize - 1)) != 0)
        return Header::Incomplete;
    if (quint8(header[18]) == 2 || quint8(header[19]) == 2)
        return Header::Live;
    const quint32 pages = bigEndian(header, 28, 4);
    // The page count is valid when the change counter it was written with
    // matches; older writers leave it stale, and then the size must at
    // least be whole pages.
    if (pages > 0 && bigEndian(header, 92, 4) == bigEndian(header, 24, 4))
        return qint64(pages) * pageSize == size ? Header::Whole : Header::Incomplete;
    return size % pageSize == 0 ? Header::Whole : Header::Incomplete;
}

// Files already read page by page, by path, size and time: a report reads
// the same snapshots again until the sync engine brings newer ones.
struct Checked
{
    qint64 size;
    qint64 modified;
};
QMutex checkedMutex;
QHash<QString, Checked> checked;

bool alreadyChecked(const QFileInfo &info)
{
    QMutexLocker lock(&checkedMutex);
    const auto it = checked.constFind(info.absoluteFilePath());
    return it != checked.constEnd() && it->size == info.size()
           && it->modified == info.lastModified().toMSecsSinceEpoch();
}

void rememberChecked(const QFileInfo &info)
{
    QMutexLocker lock(&checkedMutex);
    checked.insert(info.absoluteFilePath(), {info.size(), info.lastModified().toMSecsSinceEpoch()});
}

bool readsWhole(QSqlDatabase &db, QString *why)
{
    QSqlQuery check(db);
    if (check.exec(QStringLiteral("PRAGMA quick_check(1)")) && check.next()
        && check.value(0).toString() == QLatin1String("ok"))
        return true;
    *why = tr("damaged");
    return false;
}

bool inspectOpen(QSqlDatabase &db, const QFileInfo &info, Peer *peer, QString *why, bool deep)
{
    if (!db.open()) {
        *why = tr("cannot be opened");
        return false;
    }
    QSqlQuery settings(db);
    settings.setForwardOnly(true);
    if (!settings.exec(QStringLiteral("SELECT Name, Value FROM Settings WHERE Name IN "
                                      "('ComputerId', 'ComputerName', 'PublishedAt', 'ReadableBy')"))) {
        // SQLITE_ERROR: no such table; anything else, a file that does not read.
        *why = settings.lastError().nativeErrorCode() == QLatin1String("1") ? tr("not a log kesto published")
                                                                             : tr("damaged");
        return false;
    }
    int format = 0;
    while (settings.next()) {
        const QString name = settings.value(0).toString();
        const QString value = settings.value(1).toString();
        if (name == QLatin1String("ComputerId"))
            peer->id = value;
        else if (name == QLatin1String("ComputerName"))
            peer->name = value;
        else if (name == QLatin1String("PublishedAt"))
            peer->publishedAt = value;
        else
            format = value.toInt();
    }
    if (peer->id.isEmpty()) {
        *why = tr("not a log kesto published");
        return false;
    }
    if (format > kFormat) {
        *why = tr("from a newer kesto");
        return false;
    }
    if (peer->name.isEmpty())
        peer->name = info.fileName().chopped(SyncSettings::fileSuffix().size());
    // What the reports read must be there as they read it.
    for (const char *sql : {"SELECT AppFileName, AppTitle, AppDate, Duration FROM ApplicationLog LIMIT 0",
                            "SELECT ActText, ActDate FROM ActivityLog LIMIT 0"}) {
        QSqlQuery probe(db);
        if (!probe.exec(QLatin1String(sql))) {
            *why = tr("from a kesto whose log this one cannot read");
            return false;
        }
    }
    if (deep && !alreadyChecked(info)) {
        if (!readsWhole(db, why))
            return false;
        rememberChecked(info);
    }
    return true;
}

// Copies a sync engine makes when two computers changed one file: Syncthing's
// name.kesto.sync-conflict-<date>-<time>-<device>.db, Dropbox's and
// Nextcloud's "(... conflicted copy ...)".
bool isConflictCopy(const QString &fileName)
{
    static const QRegularExpression re(QStringLiteral("sync-conflict|conflicted copy"),
                                       QRegularExpression::CaseInsensitiveOption);
    return re.match(fileName).hasMatch();
}

} // namespace

QString readOnlyUri(const QString &path)
{
    return QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded)
           + QStringLiteral("?mode=ro&immutable=1");
}

bool inspect(const QString &path, Peer *peer, QString *why, bool deep)
{
    *peer = Peer();
    peer->path = path;
    const QFileInfo info(path);
    if (!info.isFile()) {
        *why = tr("not a file");
        return false;
    }
    switch (readHeader(path)) {
    case Header::Whole:
        break;
    case Header::NotSqlite:
        *why = tr("not a kesto log");
        return false;
    case Header::Incomplete:
        *why = tr("incomplete or damaged");
        return false;
    case Header::Live:
        *why = tr("not a log kesto published");
        return false;
    }
    const QString connection = QStringLiteral("kesto-peer-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(readOnlyUri(path));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_OPEN_READONLY"));
        ok = inspectOpen(db, info, peer, why, deep);
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return ok;
}

Found scan(const QString &folder, const QString &ownId)
{
    Found found;
    const QDir dir(folder);
    if (folder.isEmpty() || !dir.exists() || !dir.isReadable()) {
        found.folderProblem = tr("The sync folder %1 cannot be read.").arg(QDir::toNativeSeparators(folder));
        return found;
    }
    // Hidden files are the sync engines' and kesto's own files in transit.
    const QStringList files = dir.entryList(QDir::Files | QDir::System, QDir::Name);
    QList<Peer> candidates;
    for (const QString &file : files) {
        const bool published = file.endsWith(SyncSettings::fileSuffix(), Qt::CaseInsensitive);
        const bool conflict = isConflictCopy(file) && file.contains(QLatin1String(".kesto"), Qt::CaseInsensitive);
        if (conflict) {
            found.skipped.append({file, tr("a sync conflict copy")});
            continue;
        }
        if (!published)
            continue;
        Peer peer;
        QString why;
        // This computer's own copy is left alone before it is read whole.
        const QString path = dir.filePath(file);
        if (!inspect(path, &peer, &why, false) || (peer.id != ownId && !inspect(path, &peer, &why, true))) {
            found.skipped.append({file, why});
            continue;
        }
        if (peer.id == ownId)
            continue;
        candidates.append(peer);
    }
    // A computer that was renamed, or a copy a sync engine made under another
    // name, leaves two files with one id: the newest one counts.
    std::sort(candidates.begin(), candidates.end(),
              [](const Peer &a, const Peer &b) { return a.publishedAt > b.publishedAt; });
    QHash<QString, QString> newest;
    for (const Peer &peer : std::as_const(candidates)) {
        if (newest.contains(peer.id)) {
            found.skipped.append({QFileInfo(peer.path).fileName(), tr("an older copy of %1's log").arg(newest[peer.id])});
            continue;
        }
        newest.insert(peer.id, peer.name);
        if (found.peers.size() == kMaxPeers) {
            found.skipped.append({QFileInfo(peer.path).fileName(), tr("more than %1 other computers").arg(kMaxPeers)});
            continue;
        }
        found.peers.append(peer);
    }
    std::sort(found.peers.begin(), found.peers.end(), [](const Peer &a, const Peer &b) {
        return a.name.localeAwareCompare(b.name) < 0;
    });
    std::sort(found.skipped.begin(), found.skipped.end(),
              [](const Skipped &a, const Skipped &b) { return a.file < b.file; });
    return found;
}

QString notice(const Found &found)
{
    if (!found.folderProblem.isEmpty())
        return found.folderProblem;
    if (found.skipped.isEmpty())
        return QString();
    QStringList files;
    for (const Skipped &skipped : found.skipped)
        files << QStringLiteral("%1 (%2)").arg(skipped.file, skipped.why);
    return tr("Not read from the sync folder: %1").arg(files.join(QStringLiteral("; ")));
}

} // namespace PeerLogs
