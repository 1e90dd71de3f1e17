#pragma once

#include "reportrunner.h"

#include <QByteArray>
#include <QDate>
#include <QHash>
#include <QMap>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QThread>

// Hours per day and answer (or category) over a range, as CSV for a
// timesheet: a header line ("Day", the names, "Total") and a line per day
// with time, hours with two decimals. Written on a thread of its own the
// way the activity log's export writes (CsvExport::writeFile): a file is
// replaced only once all is written.
class Timesheet : public QThread
{
    Q_OBJECT

public:
    enum class By { Answer, Category };

    Timesheet(const QSqlDatabase &db, const QDate &from, const QDate &to, By by, const QString &fileName,
              QObject *parent = nullptr);
    // Cancels and waits.
    ~Timesheet() override;

    void cancel() { stopping.cancel(); }
    void cancelAndWait() { stopping.cancelAndWait(*this); }
    // Once finished.
    bool wasCancelled() const { return cancelled; }
    QString error() const { return failure; }

    // Reads and writes on the calling thread: why it failed, or empty.
    static QString write(const QString &databaseName, const QString &connectOptions, const QDate &from,
                         const QDate &to, By by, const QString &fileName, ReportCancel *cancel = nullptr);

    // Seconds by day and name, as the file holds them.
    using Table = QMap<QDate, QHash<QString, qint64>>;
    static QByteArray csv(const Table &table);

protected:
    void run() override;

private:
    const QString databaseName;
    const QString connectOptions;
    const QDate from;
    const QDate to;
    const By by;
    const QString fileName;
    ReportCancel stopping;
    bool cancelled = false;
    QString failure;
};
