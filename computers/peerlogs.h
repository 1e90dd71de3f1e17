#pragma once

#include <QList>
#include <QString>

// The logs other computers published into the sync folder, as this kesto
// reads them: each file is opened read-only and immutable (no lock, no
// journal, nothing written; a lock would also hold up the sync engine that
// replaces the file), and only after it has shown that it is a whole kesto
// log this kesto can read.
namespace PeerLogs {

// The format of a published file, stored in it as ReadableBy: a kesto reads
// files whose format is at most its own.
constexpr int kFormat = 1;
// SQLite attaches at most ten databases to a connection.
constexpr int kMaxPeers = 10;

struct Peer
{
    QString path;
    QString id;
    QString name;
    QString publishedAt;
};

struct Skipped
{
    QString file; // the file's name in the folder
    QString why;  // translated, short
};

struct Found
{
    QList<Peer> peers; // by name
    QList<Skipped> skipped;
    QString folderProblem; // translated; the folder could not be read at all
};

// A URI that opens path read-only and immutable.
QString readOnlyUri(const QString &path);

// What a published log says about itself; false, with a short reason, when
// it is not a whole log of a kesto this one can read. deep also reads every
// page once per version of the file (a damaged page would otherwise fail a
// report halfway).
bool inspect(const QString &path, Peer *peer, QString *why, bool deep);

// The other computers' logs in folder, the newest copy of each computer.
// Files this computer (ownId) published are left out without a word; other
// files that look like logs but cannot be read are named in `skipped`.
Found scan(const QString &folder, const QString &ownId);

// The notice naming the skipped files, or an empty string.
QString notice(const Found &found);

} // namespace PeerLogs
