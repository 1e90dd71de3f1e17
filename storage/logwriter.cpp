#include "logwriter.h"

#include "answerqueue.h"
#include "logdatabase.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QList>
#include <QPointer>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QUuid>

#include <memory>

namespace {

QList<LogWriter *> &liveWriters()
{
    static QList<LogWriter *> writers;
    return writers;
}

} // namespace

// Lives on the writer's thread; only that thread touches its members.
class LogWriterWorker : public QObject
{
public:
    explicit LogWriterWorker(const QString &path)
        : path(path)
        , name(QStringLiteral("kesto-writer-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
    {
    }

    void open()
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(LogDatabase::BusyTimeoutMs));
        reopen();
    }

    void close()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    }

    void addStretchTime(quint64 stretch, bool begin, const QString &path, const QString &title,
                        const QString &start, int seconds)
    {
        // A stretch's seconds that are still waiting are one statement.
        if (!begin && !backlog.isEmpty() && backlog.last().stretch == stretch)
            backlog.last().seconds += seconds;
        else
            backlog.append(Op{stretch, begin, path, title, start, seconds});
        // A log that never comes back must not make this grow for months.
        while (backlog.size() > kMaxBacklog)
            backlog.removeFirst();
        queueDrain();
    }

    void addAbsence(const QString &from, const QString &to)
    {
        absences.append({from, to});
        while (absences.size() > kMaxBacklog)
            absences.removeFirst();
        queueDrain();
    }

    // Written once the requests already queued are in: on a slow disk the
    // ticks that came meanwhile share one commit.
    void queueDrain()
    {
        if (!drainQueued) {
            drainQueued = true;
            QMetaObject::invokeMethod(this, [this] { drainNow(); }, Qt::QueuedConnection);
        }
    }

    // The drain a stretch asked for, if it has not run yet.
    void drainNow()
    {
        if (!drainQueued)
            return;
        drainQueued = false;
        drain();
    }

    void retry()
    {
        // A drain already on its way covers this; on a slow disk a commit
        // per tick would fall ever further behind.
        if (drainQueued)
            return;
        if (!answers.isEmpty() || !backlog.isEmpty() || !absences.isEmpty() || !forgets.isEmpty() || checkpointOwed)
            drain();
    }

    LogWriter::Saved saveAnswer(const QString &text, const QString &pressed, bool rewrite)
    {
        QSqlDatabase db = connection();
        LogWriter::Saved saved;
        saved.stored = answers.save(db, text, pressed, rewrite);
        if (!saved.stored) {
            // The driver keeps statement errors on the query; the connection's
            // own error is usually empty then, which would tell the user nothing.
            saved.error = db.lastError().text();
            if (saved.error.isEmpty())
                saved.error = answers.lastError();
        } else {
            drainStretches(db);
            drainAbsences(db);
        }
        return saved;
    }

    LogWriter::Transacted transact(const QList<LogWriter::Statement> &statements)
    {
        LogWriter::Transacted result;
        QSqlDatabase db = connection();
        if (!db.transaction()) {
            result.error = db.lastError().text();
            return result;
        }
        // Before anything changes: the newest answer is the one to take back
        // if this kesto has not written one yet.
        answers.pinLast(db);
        for (const LogWriter::Statement &statement : statements) {
            QSqlQuery query(db);
            query.prepare(statement.sql);
            for (const QVariant &value : statement.values)
                query.addBindValue(value);
            const bool ok = query.exec();
            if (!ok || (statement.mustChange && query.numRowsAffected() <= 0)) {
                if (!ok)
                    result.error = query.lastError().text();
                else
                    result.unmatched = true;
                db.rollback();
                return result;
            }
        }
        if (db.commit()) {
            result.done = true;
            return result;
        }
        result.error = db.lastError().text();
        db.rollback();
        return result;
    }

    bool runJob(const LogWriter::Job &job)
    {
        QSqlDatabase db = connection();
        // What the samples and answers asked for before goes first.
        drainNow();
        QSqlQuery begin(db);
        if (!begin.exec(QStringLiteral("BEGIN IMMEDIATE")))
            return false;
        bool ok = job(db);
        if (ok)
            ok = QSqlQuery(db).exec(QStringLiteral("COMMIT"));
        if (!ok)
            QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        return ok;
    }

    LogWriter::Forgotten forget(const Forgetting &what)
    {
        LogWriter::Forgotten result;
        // What waits in memory goes at once: it never reaches the disk.
        result.answers = answers.drop([&what](const QString &date, const QString &text) {
            return what.coversAnswer(date, text);
        });
        if (what.programs)
            dropStretches(what);
        forgotten = {};
        forgets.append(what);
        // Everything asked for earlier is written first; it may be what goes.
        drain();
        result.done = forgets.isEmpty();
        result.rows = forgotten.rows;
        result.seconds = forgotten.seconds;
        result.answers += forgotten.answers;
        if (!result.done)
            result.error = forgetError;
        return result;
    }

    LogWriter::Forgotten waitingIn(const Forgetting &what)
    {
        LogWriter::Forgotten waiting;
        waiting.answers = answers.count([&what](const QString &date, const QString &text) {
            return what.coversAnswer(date, text);
        });
        if (!what.programs)
            return waiting;
        QSet<quint64> counted;
        for (const Op &op : std::as_const(backlog)) {
            if (op.begin ? covers(what, op) : counted.contains(op.stretch)) {
                if (op.begin) {
                    counted.insert(op.stretch);
                    ++waiting.rows;
                }
                waiting.seconds += op.seconds;
            }
        }
        return waiting;
    }

    bool execute(const QString &sql, const QVariantList &values)
    {
        QSqlQuery query(connection());
        query.prepare(sql);
        for (const QVariant &value : values)
            query.addBindValue(value);
        return query.exec();
    }

    QString finish()
    {
        drain();
        QSqlDatabase db = connection();
        // Folds the write-ahead log back, so the file alone is the whole log.
        if (db.isOpen())
            QSqlQuery(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"), db);
        if (answers.isEmpty() && backlog.isEmpty() && absences.isEmpty())
            return QString();
        return writeUnsaved();
    }

private:
    static constexpr int kMaxBacklog = 10000;
    // Rows an absence may still cut back: more than its longest reach holds.
    static constexpr int kKeptRows = 512;
    struct Op
    {
        quint64 stretch;
        bool begin;
        QString path;
        QString title;
        QString start;
        int seconds;
    };

    QSqlDatabase connection()
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        if (!db.isOpen())
            reopen();
        return db;
    }

    void reopen()
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        // A log that could not be opened (gone, locked at start) gets another
        // chance with each write.
        if (db.open()) {
            // Every commit synced: an answer the prompt let go of is on disk.
            QSqlQuery(QStringLiteral("PRAGMA synchronous=FULL"), db);
            // What is replaced (a taken-back answer) is overwritten, not left
            // in free space.
            QSqlQuery(QStringLiteral("PRAGMA secure_delete=ON"), db);
        }
    }

    void drain()
    {
        QSqlDatabase db = connection();
        if (answers.flush(db)) {
            drainStretches(db);
            drainAbsences(db);
            if (backlog.isEmpty())
                runForgets(db);
        }
        if (checkpointOwed)
            foldBack(db);
    }

    // Program time that waits for the log and lies in what is forgotten.
    void dropStretches(const Forgetting &what)
    {
        QSet<quint64> dropped;
        backlog.removeIf([&](const Op &op) {
            if (!op.begin)
                return dropped.contains(op.stretch);
            if (!covers(what, op))
                return false;
            dropped.insert(op.stretch);
            return true;
        });
    }

    void runForgets(QSqlDatabase &db)
    {
        bool any = false;
        // Deleted rows are overwritten with zeros, not left in the pages' free
        // space, whatever this SQLite's default.
        if (!forgets.isEmpty())
            QSqlQuery(QStringLiteral("PRAGMA secure_delete=ON"), db);
        while (!forgets.isEmpty()) {
            // Read and changed under one write lock: the plan is what goes.
            QSqlQuery begin(db);
            if (!begin.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
                forgetError = begin.lastError().text();
                break;
            }
            ForgetPlan plan;
            QString error;
            QSqlQuery commit(db);
            if (!plan.make(db, forgets.first()) || !plan.apply(db, &error) || !dropUnusedNames(db, &error)
                || !commit.exec(QStringLiteral("COMMIT"))) {
                forgetError = !error.isEmpty() ? error : commit.lastError().text();
                QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
                break;
            }
            forgotten.rows += plan.programRows();
            forgotten.seconds += plan.seconds();
            forgotten.answers += plan.answers();
            forgets.removeFirst();
            any = true;
        }
        if (any) {
            dropGoneRows(db);
            checkpointOwed = true;
            foldBack(db);
        }
    }

    // The summary's totals keep each answer and program text once; the
    // log's triggers drop the forgotten days' totals, and here the texts
    // that no total uses any more go too. A log without those tables has
    // nothing to drop.
    static bool dropUnusedNames(QSqlDatabase &db, QString *error)
    {
        QSqlQuery table(QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type = 'table' AND name = 'RollupNames'"), db);
        if (!table.next() || table.value(0).toInt() == 0)
            return true;
        QSqlQuery drop(db);
        if (drop.exec(QStringLiteral("DELETE FROM RollupNames WHERE Id NOT IN (SELECT Answer FROM RollupJoins UNION "
                                     "SELECT Program FROM RollupJoins UNION SELECT Program FROM RollupPrograms UNION "
                                     "SELECT Category FROM RollupPrograms)")))
            return true;
        *error = drop.lastError().text();
        return false;
    }

    // A stretch whose row was forgotten gets no more time (nor a cut after an
    // absence): a later row may be given the same id.
    void dropGoneRows(QSqlDatabase &db)
    {
        for (auto it = rows.begin(); it != rows.end();) {
            QSqlQuery query(db);
            query.prepare(QStringLiteral("SELECT 1 FROM ApplicationLog WHERE ROWID = ?"));
            query.addBindValue(*it);
            if (query.exec() && !query.next())
                it = rows.erase(it);
            else
                ++it;
        }
    }

    // The write-ahead log still holds the deleted rows' pages: folded back
    // and emptied, they are gone from the files. A reader in the middle of
    // a statement can hold it up; then the next tick tries again.
    void foldBack(QSqlDatabase &db)
    {
        QSqlQuery checkpoint(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"), db);
        checkpointOwed = !(checkpoint.next() && checkpoint.value(0).toInt() == 0);
    }

    void drainStretches(QSqlDatabase &db)
    {
        if (backlog.isEmpty())
            return;
        // All or nothing, in one commit: a statement the log refuses leaves
        // the whole backlog for the next try.
        const QMap<quint64, qint64> before = rows;
        if (!db.transaction())
            return;
        for (const Op &op : std::as_const(backlog)) {
            QSqlQuery query(db);
            bool ok = true;
            // A stretch cut to nothing before it reached the log never does.
            if (op.begin && op.seconds <= 0)
                continue;
            if (op.begin) {
                query.prepare(QStringLiteral(
                    "INSERT INTO ApplicationLog (AppFileName, AppTitle, AppDate, Duration) VALUES (?, ?, ?, ?)"));
                query.addBindValue(op.path);
                query.addBindValue(op.title);
                query.addBindValue(op.start);
                query.addBindValue(qMax(0, op.seconds));
                ok = query.exec();
                if (ok) {
                    rows.insert(op.stretch, query.lastInsertId().toLongLong());
                    while (rows.size() > kKeptRows)
                        rows.erase(rows.begin());
                }
            } else if (const auto row = rows.constFind(op.stretch); row != rows.cend() && op.seconds != 0) {
                const qint64 id = *row;
                query.prepare(
                    QStringLiteral("UPDATE ApplicationLog SET Duration = MAX(0, Duration + ?) WHERE ROWID = ?"));
                query.addBindValue(op.seconds);
                query.addBindValue(id);
                ok = query.exec();
                if (ok && op.seconds < 0) {
                    // A window that came up while nobody was there was not used at all.
                    QSqlQuery gone(db);
                    gone.prepare(QStringLiteral("DELETE FROM ApplicationLog WHERE ROWID = ? AND Duration = 0"));
                    gone.addBindValue(id);
                    ok = gone.exec();
                    if (ok && gone.numRowsAffected() > 0)
                        rows.remove(op.stretch);
                }
            }
            if (!ok) {
                db.rollback();
                rows = before;
                return;
            }
        }
        if (!db.commit()) {
            db.rollback();
            rows = before;
            return;
        }
        backlog.clear();
    }

    // Whether a waiting stretch begins in what is forgotten.
    static bool covers(const Forgetting &what, const Op &op)
    {
        return op.begin && op.start >= what.fromText() && op.start < what.toText()
               && (!what.path || *what.path == op.path) && (!what.title || *what.title == op.title);
    }

    // Apart from the program time: a log without their table must not hold
    // that up.
    void drainAbsences(QSqlDatabase &db)
    {
        while (!absences.isEmpty()) {
            QSqlQuery query(db);
            query.prepare(QStringLiteral("INSERT INTO Absences (AwayStart, AwayEnd) VALUES (?, ?)"));
            query.addBindValue(absences.first().first);
            query.addBindValue(absences.first().second);
            if (!query.exec()) {
                QSqlQuery table(QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type = 'table' AND name = 'Absences'"),
                                db);
                if (table.next() && table.value(0).toInt() == 0)
                    absences.clear();
                return;
            }
            absences.removeFirst();
        }
    }

    QString writeUnsaved()
    {
        const QString file =
            LogWriter::unsavedPath(path, QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")));
        QStringList lines;
        const QStringList waiting = answers.waitingLines();
        if (!waiting.isEmpty()) {
            lines << QStringLiteral("# Answers that kesto could not write to its log (time pressed, text):");
            lines << waiting;
        }
        QStringList time;
        for (const Op &op : std::as_const(backlog)) {
            if (op.begin)
                time << QStringLiteral("%1\t%2 s\t%3\t%4").arg(op.start).arg(op.seconds).arg(op.path, op.title);
            else if (!time.isEmpty() || rows.contains(op.stretch))
                time << QStringLiteral("\t+%1 s").arg(op.seconds);
        }
        if (!time.isEmpty()) {
            lines << QStringLiteral("# Program time kesto could not write (start, seconds, program, title; "
                                    "+ seconds add to the row above or to the newest row):");
            lines << time;
        }
        if (!absences.isEmpty()) {
            lines << QStringLiteral("# Time away from the computer kesto could not write (from, to):");
            for (const auto &absence : std::as_const(absences))
                lines << absence.first + QLatin1Char('\t') + absence.second;
        }
        QFile out(file);
        const bool existed = out.exists();
        if (!out.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
            return QString();
        if (!existed)
            out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        out.write((lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
        return out.flush() ? file : QString();
    }

    const QString path;
    const QString name;
    AnswerQueue answers;
    QList<Op> backlog;
    // Row ids of the latest stretches, by stretch.
    QMap<quint64, qint64> rows;
    QList<QPair<QString, QString>> absences;
    bool drainQueued = false;
    QList<Forgetting> forgets;
    struct
    {
        int rows = 0;
        qint64 seconds = 0;
        int answers = 0;
    } forgotten;
    QString forgetError;
    bool checkpointOwed = false;
};

LogWriter::LogWriter(const QString &path, QObject *parent)
    : QObject(parent)
    , thread(new QThread)
    , worker(new LogWriterWorker(path))
{
    thread->setObjectName(QStringLiteral("kesto log writer"));
    worker->moveToThread(thread);
    thread->start();
    QMetaObject::invokeMethod(worker, [w = worker] { w->open(); }, Qt::BlockingQueuedConnection);
    liveWriters().append(this);
}

LogWriter::~LogWriter()
{
    liveWriters().removeAll(this);
    QMetaObject::invokeMethod(
        worker,
        [w = worker] {
            w->drainNow();
            w->close();
        },
        Qt::BlockingQueuedConnection);
    thread->quit();
    thread->wait();
    delete worker;
    delete thread;
}

void LogWriter::beginStretch(quint64 stretch, const QString &path, const QString &title, const QString &start,
                             int seconds)
{
    QMetaObject::invokeMethod(
        worker, [w = worker, stretch, path, title, start, seconds] { w->addStretchTime(stretch, true, path, title, start, seconds); },
        Qt::QueuedConnection);
}

void LogWriter::extendStretch(quint64 stretch, int seconds)
{
    QMetaObject::invokeMethod(
        worker, [w = worker, stretch, seconds] { w->addStretchTime(stretch, false, {}, {}, {}, seconds); },
        Qt::QueuedConnection);
}

void LogWriter::recordAbsence(const QString &from, const QString &to)
{
    QMetaObject::invokeMethod(worker, [w = worker, from, to] { w->addAbsence(from, to); }, Qt::QueuedConnection);
}

template<typename Result, typename Work>
Result LogWriter::waitFor(Work work)
{
    struct Waiting
    {
        bool done = false;
        Result result{};
    };
    auto waiting = std::make_shared<Waiting>();
    QEventLoop loop;
    QPointer<QEventLoop> guard(&loop);
    QMetaObject::invokeMethod(
        worker,
        [w = worker, self = this, waiting, guard, work] {
            const Result result = work(w);
            // Back on the interface thread; dropped if the writer is gone.
            QMetaObject::invokeMethod(
                self,
                [waiting, guard, result] {
                    waiting->result = result;
                    waiting->done = true;
                    if (guard)
                        guard->quit();
                },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
    // Timers and the tray go on meanwhile; an exit asked for in between ends
    // this wait, and what was asked for gets its last try from finish().
    if (!waiting->done)
        loop.exec();
    return waiting->result;
}

LogWriter::Saved LogWriter::saveAnswer(const QString &text, const QString &pressed, bool rewrite)
{
    return waitFor<Saved>([text, pressed, rewrite](LogWriterWorker *w) {
        Saved saved = w->saveAnswer(text, pressed, rewrite);
        saved.answered = true;
        return saved;
    });
}

bool LogWriter::transact(const QList<Statement> &statements)
{
    return transactChecked(statements).done;
}

LogWriter::Transacted LogWriter::transactChecked(const QList<Statement> &statements)
{
    return waitFor<Transacted>([statements](LogWriterWorker *w) {
        Transacted result = w->transact(statements);
        result.answered = true;
        return result;
    });
}

LogWriter::Forgotten LogWriter::forget(const Forgetting &what)
{
    return waitFor<Forgotten>([what](LogWriterWorker *w) {
        Forgotten forgotten = w->forget(what);
        forgotten.answered = true;
        return forgotten;
    });
}

void LogWriter::runJob(const Job &job, QObject *context, const std::function<void(bool)> &done)
{
    QPointer<QObject> guard(context);
    QMetaObject::invokeMethod(
        worker,
        [w = worker, self = this, job, guard, done] {
            const bool committed = w->runJob(job);
            // Back on the writer's owner's thread, where the guard may be
            // looked at; dropped if the writer is gone.
            QMetaObject::invokeMethod(
                self,
                [guard, done, committed] {
                    if (guard && done)
                        done(committed);
                },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

LogWriter::Forgotten LogWriter::waitingIn(const Forgetting &what)
{
    Forgotten waiting;
    QMetaObject::invokeMethod(worker, [w = worker, what] { return w->waitingIn(what); }, Qt::BlockingQueuedConnection,
                              &waiting);
    waiting.answered = true;
    return waiting;
}

void LogWriter::retry()
{
    QMetaObject::invokeMethod(worker, [w = worker] { w->retry(); }, Qt::QueuedConnection);
}

void LogWriter::execute(const QString &sql, const QVariantList &values)
{
    QMetaObject::invokeMethod(worker, [w = worker, sql, values] { w->execute(sql, values); }, Qt::QueuedConnection);
}

QString LogWriter::finish()
{
    QString unsaved;
    QMetaObject::invokeMethod(worker, [w = worker] { return w->finish(); }, Qt::BlockingQueuedConnection, &unsaved);
    return unsaved;
}

bool LogWriter::configure(const QString &sql)
{
    bool ok = false;
    QMetaObject::invokeMethod(worker, [w = worker, sql] { return w->execute(sql, {}); },
                              Qt::BlockingQueuedConnection, &ok);
    return ok;
}

void LogWriter::waitForIdle()
{
    QMetaObject::invokeMethod(worker, [w = worker] { w->drainNow(); }, Qt::BlockingQueuedConnection);
}

void LogWriter::waitForAll()
{
    for (LogWriter *writer : std::as_const(liveWriters()))
        writer->waitForIdle();
}

QString LogWriter::unsavedPath(const QString &logPath, const QString &day)
{
    return QFileInfo(logPath).absoluteDir().filePath(QStringLiteral("kesto-unsaved-%1.txt").arg(day));
}

QStringList LogWriter::unsavedFiles(const QString &logPath)
{
    const QDir dir = QFileInfo(logPath).absoluteDir();
    QStringList files;
    for (const QString &name : dir.entryList({QStringLiteral("kesto-unsaved-*.txt")}, QDir::Files, QDir::Name))
        files << dir.filePath(name);
    return files;
}
