#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>

// Sampled time the log could not take yet (another program held it): the
// seconds owed to rows that exist, and stretches whose row could not be
// inserted. Written, oldest first, as soon as the log accepts writes again.
class PendingTime
{
public:
    // Seconds owed to an existing row.
    void owe(qint64 rowId, int seconds);

    // A stretch that began now and has no row yet; its first sample is the
    // row's own starting Duration.
    void startStretch(const QString &path, const QString &title);

    // Seconds owed to the newest stretch that has no row yet.
    void oweNewest(int seconds);

    // Writes what is owed, stopping at the first statement the log refuses.
    // True when nothing is owed any more. *newestRowId is the row this call
    // inserted for the newest stretch, or 0 when it inserted none.
    bool flush(QSqlDatabase &db, qint64 *newestRowId);

    bool isEmpty() const { return owed.isEmpty(); }

private:
    static constexpr int kMaxOwed = 10000;
    struct Owed
    {
        qint64 rowId; // 0 while the row is not inserted
        QString path;
        QString title;
        qint64 began; // seconds since the epoch
        int seconds;
    };
    QList<Owed> owed;
};
