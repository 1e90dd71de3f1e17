#include "csvexport.h"

#include "reportrunner.h"
#include "reportview.h"
#include "ruleset.h"
#include "rulestore.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSqlQuery>

#include <memory>

CsvExport::CsvExport(const QSqlDatabase &db, int kind, const QDate &from, const QDate &to, const QString &fileName,
                     const ReportScope &scope, QObject *parent)
    : QThread(parent)
    , databaseName(db.databaseName())
    , connectOptions(db.connectOptions())
    , kind(kind)
    , from(from)
    , to(to)
    , fileName(fileName)
    , scope(scope)
{
}

CsvExport::~CsvExport()
{
    stopping.cancelAndWait(*this);
}

QString CsvExport::writeFile(const QString &fileName, const std::function<QString(QFileDevice &)> &write,
                             const std::function<bool()> &cancelled)
{
    // A device or pipe has no contents to keep, and cannot be replaced by
    // renaming: it is written directly.
    const QFileInfo target(fileName);
    const bool special = target.exists() && !target.isFile() && !target.isDir();
    std::unique_ptr<QFileDevice> file;
    if (special)
        file = std::make_unique<QFile>(fileName);
    else
        file = std::make_unique<QSaveFile>(fileName);
    if (!file->open(QIODevice::WriteOnly))
        return file->errorString();
    const QString failure = write(*file);
    auto *save = qobject_cast<QSaveFile *>(file.get());
    if (cancelled && cancelled()) {
        if (save)
            save->cancelWriting();
        return QString();
    }
    if (!failure.isEmpty()) {
        if (save)
            save->cancelWriting();
        return failure;
    }
    if (save ? !save->commit() : !file->flush())
        return file->errorString();
    if (!save)
        file->close();
    return QString();
}

void CsvExport::run()
{
    ReportRunner runner(databaseName, connectOptions, scope, &stopping);
    skipped = runner.notice();
    const QStringList computers = runner.computers();
    if (!runner.isOpen()) {
        failure = runner.lastError();
        return;
    }
    // The rules as they are now sort all the time exported.
    RuleSet::Categorizer categorizer(kind == ReportView::Programs ? RuleSet(RuleStore::load(runner.database()).usable())
                                                                  : RuleSet());
    const ReportView::CategoryOf category = [&categorizer](const QString &path, const QString &title) {
        const int found = categorizer.category(path, title);
        return found < 0 ? QString() : categorizer.categories()[found];
    };
    failure = writeFile(
        fileName,
        [&](QFileDevice &file) {
            bool written = true;
            const bool ran = runner.run(
                kind, from, to,
                [&](QSqlQuery &query) {
                    written = ReportView::writeCsv(query, kind, file, &stopping.flag(), &rows, computers, category);
                    return written;
                },
                [&] {
                    // The rows written so far are replaced by the whole range.
                    file.flush();
                    file.resize(0);
                    file.seek(0);
                    rows = 0;
                },
                stopping.flag());
            // The error is read before anything else touches the file.
            if (!written)
                return file.errorString();
            return ran ? QString() : runner.lastError();
        },
        [this] { return stopping.isCancelled(); });
    cancelled = stopping.isCancelled();
}
