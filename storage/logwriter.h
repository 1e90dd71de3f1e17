#pragma once

#include "forgetting.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QVariantList>

#include <functional>

class QSqlDatabase;
class QThread;
class LogWriterWorker;

// Everything kesto writes to the log goes through here, on a thread of its
// own with a connection of its own: a commit waits for the disk (an fsync
// each), and a statement may wait for another program's lock, and neither
// may hold up the interface. What the log refuses waits in memory, in order,
// and is written when the log takes writes again.
class LogWriter : public QObject
{
    Q_OBJECT

public:
    // Opens its own connection to the log at path.
    explicit LogWriter(const QString &path, QObject *parent = nullptr);
    ~LogWriter() override;

    // A stretch of one window: a row dated start ("yyyy-MM-dd HH:mm:ss", local
    // time), standing for its first seconds. stretch is the caller's key for
    // the stretch, ever increasing.
    void beginStretch(quint64 stretch, const QString &path, const QString &title, const QString &start, int seconds);
    // Seconds that a stretch grew by; negative ones cut it back, and a row
    // cut to nothing goes. Any of the last few hundred stretches can be cut.
    void extendStretch(quint64 stretch, int seconds);

    // A time nobody was at the computer, from and to as beginStretch's start.
    // A log without the table for it (one kesto could not bring up to date)
    // drops it.
    void recordAbsence(const QString &from, const QString &to);

    struct Saved
    {
        bool answered = false; // false when an exit cut the wait short
        bool stored = false;   // in the log; else waiting for another try
        QString error;         // why the log refused it
    };
    // Stores an answer dated pressed (local time of pressing Save), or with
    // rewrite replaces the text of the answer confirmed last. Runs the event
    // loop until the log has it or refused it, so the caller acknowledges
    // nothing that is not either written or waiting here.
    Saved saveAnswer(const QString &text, const QString &pressed, bool rewrite);

    // Another try for what the log refused earlier, if anything waits.
    void retry();

    // A statement whose result nobody waits for (a setting).
    void execute(const QString &sql, const QVariantList &values = {});

    struct Statement
    {
        QString sql;
        QVariantList values;
        // Must change a row, or the whole transaction is undone: it was
        // meant for a row that someone else changed or deleted meanwhile.
        bool mustChange = false;
    };
    // Runs statements in one transaction, all or nothing, and waits for them
    // as saveAnswer() does. False (nothing changed) when the log refused them.
    bool transact(const QList<Statement> &statements);

    struct Transacted
    {
        bool answered = false;  // false when an exit cut the wait short
        bool done = false;      // committed
        bool unmatched = false; // a mustChange statement changed nothing: all undone
        QString error;          // why the log refused them
    };
    // As transact(), telling why nothing changed. What the user changes in
    // the answers goes this way; a take-back afterwards still means the
    // answer the prompt took last, and only while it is as the prompt left it.
    Transacted transactChecked(const QList<Statement> &statements);

    // Work of kesto's own on the log (keeping totals ahead): `job` runs on
    // the writer's thread inside one write transaction, committed when it
    // returns true, rolled back otherwise. It queues behind what was asked
    // for before, and samples and answers asked for meanwhile wait for one
    // job only, so a job must be short. `done` gets the outcome on the
    // writer's owner's thread (where `context` lives), never once `context`
    // is gone.
    using Job = std::function<bool(QSqlDatabase &db)>;
    void runJob(const Job &job, QObject *context, const std::function<void(bool committed)> &done);

    struct Forgotten
    {
        bool answered = false; // false when an exit cut the wait short
        bool done = false;     // gone from the log; else it goes when the log takes writes again
        int rows = 0;          // program rows deleted or cut
        qint64 seconds = 0;    // program time gone
        int answers = 0;       // answers deleted, waiting ones among them
        QString error;         // why the log refused it
    };
    // Forgets what the user asked to: waiting answers and program time in it
    // go at once, what is on disk as soon as the log takes writes. Deleted
    // rows are overwritten in the file and the write-ahead log is folded
    // back, so that their texts are nowhere in the files. Waits as
    // saveAnswer() does.
    Forgotten forget(const Forgetting &what);
    // What of it waits in memory for the log, not on disk yet.
    Forgotten waitingIn(const Forgetting &what);

    // One more try for everything waiting, then the write-ahead log folded
    // back. What still cannot be written goes to a file beside the log; its
    // path is returned, or nothing when all is written. Waits at most a few
    // lock timeouts: it runs while the session ends.
    QString finish();

    // Runs a statement on the writer's connection and waits for it (pragmas
    // of tests and the benchmark).
    bool configure(const QString &sql);

    // Returns once everything handed to any writer so far has been tried.
    static void waitForAll();
    void waitForIdle();

    // Where the unsaved answers of an exit that could not write them go.
    static QString unsavedPath(const QString &logPath, const QString &day);
    // Such files left by earlier exits.
    static QStringList unsavedFiles(const QString &logPath);

private:
    template<typename Result, typename Work>
    Result waitFor(Work work);

    QThread *thread;
    LogWriterWorker *worker;
};
