#pragma once

#include "reportrunner.h"

#include <QDate>
#include <QSqlDatabase>
#include <QString>
#include <QThread>

#include <atomic>
#include <functional>

class QFileDevice;

// Writes one report to a CSV file on a thread of its own. The file is
// replaced only when every row was written: until then the rows go to a
// temporary file beside it, so a failure or Cancel leaves the old file as it
// was.
class CsvExport : public QThread
{
    Q_OBJECT

public:
    CsvExport(const QSqlDatabase &db, int kind, const QDate &from, const QDate &to, const QString &fileName,
              const ReportScope &scope = {}, QObject *parent = nullptr);
    ~CsvExport() override;

    // Any thread; a statement under way is interrupted.
    void cancel() { stopping.cancel(); }
    // Cancels and waits for the thread to end.
    void cancelAndWait() { stopping.cancelAndWait(*this); }
    // Whether the export ended cancelled, the file as it was; read once the
    // thread has finished (a cancel that came after the end changes nothing).
    bool wasCancelled() const { return cancelled; }
    qint64 rowsWritten() const { return rows; }
    // Why the export failed; empty when it succeeded or was cancelled.
    QString error() const { return failure; }
    // Once finished: what the sync folder held that was not read, or an
    // empty string.
    QString notice() const { return skipped; }

    // How every export writes its file: `write` fills the open file and
    // returns why it failed (empty when it did not). A regular file is
    // replaced only once all was written; a device or pipe is written
    // directly. Returns why the file could not be written; empty when it
    // was, or when `cancelled` says so afterwards (the old file stays).
    static QString writeFile(const QString &fileName, const std::function<QString(QFileDevice &file)> &write,
                             const std::function<bool()> &cancelled = {});

protected:
    void run() override;

private:
    const QString databaseName;
    const QString connectOptions;
    const int kind;
    const QDate from;
    const QDate to;
    const QString fileName;
    const ReportScope scope;
    ReportCancel stopping;
    bool cancelled = false;
    std::atomic<qint64> rows{0};
    QString failure;
    QString skipped;
};
