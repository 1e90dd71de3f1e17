#include "loginsight.h"

#include "summaryreader.h"
#include "timesheet.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>

LogInsight::LogInsight(const QSqlDatabase &db)
    : db(db)
{
}

LogInsight::~LogInsight() = default;

void LogInsight::read(const QDate &from, const QDate &to, std::function<void(const Summary &)> ready)
{
    cancel();
    reader = std::make_unique<SummaryReader>(db, from, to);
    // Queued from the reading thread; a reader dropped by a newer read takes
    // its connections with it, so nothing late reaches `ready`.
    QObject::connect(reader.get(), &SummaryReader::totalsRead, reader.get(), ready);
    QObject::connect(reader.get(), &SummaryReader::summaryRead, reader.get(), ready);
    reader->start();
}

void LogInsight::cancel()
{
    // Its destructor cancels and waits.
    reader.reset();
}

TimelineDay LogInsight::timeline(const QDate &day)
{
    return TimelineReader::read(db, day);
}

QString LogInsight::writeTimesheet(const QDate &from, const QDate &to, Sheet sheet, const QString &fileName)
{
    const QString log = db.databaseName();
    if (!log.isEmpty() && QFileInfo(fileName).absoluteFilePath().startsWith(QFileInfo(log).absoluteFilePath()))
        return QCoreApplication::translate("LogInsight", "%1 is kesto's own log; please choose another file.")
            .arg(QDir::toNativeSeparators(fileName));
    // Years of answers take a while to join: the interface goes on meanwhile.
    Timesheet writing(db, from, to, sheet == Sheet::Category ? Timesheet::By::Category : Timesheet::By::Answer,
                      fileName);
    QEventLoop loop;
    QObject::connect(&writing, &QThread::finished, &loop, &QEventLoop::quit);
    writing.start();
    loop.exec();
    // An exit ends every event loop: the file is left as it was.
    if (!writing.isFinished())
        writing.cancelAndWait();
    if (writing.wasCancelled())
        return QCoreApplication::translate("LogInsight", "The timesheet was not written: kesto is ending.");
    return writing.error();
}
