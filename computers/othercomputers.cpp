#include "othercomputers.h"

#include "logdatabase.h"
#include "logwriter.h"
#include "publisher.h"

#include <QCoreApplication>
#include <QTimer>

OtherComputers::OtherComputers(QSqlDatabase db, LogWriter *writer, const QString &logPath, QObject *parent)
    : QObject(parent)
    , db(db)
    , writer(writer)
    , publisher(new Publisher(logPath, this))
    , timer(new QTimer(this))
    , current(SyncSettings::read(this->db))
{
    timer->setObjectName(QStringLiteral("timerPublish"));
    timer->setInterval(PublishMinutes * 60 * 1000);
    connect(timer, &QTimer::timeout, this, [this] { publisher->publishSoon(false); });
    connect(publisher, &Publisher::done, this, &OtherComputers::published);
    if (!current.folder.isEmpty()) {
        ensureId();
        timer->start();
    }
    publisher->configure(current);
}

OtherComputers::~OtherComputers() = default;

void OtherComputers::ensureId()
{
    if (!current.id.isEmpty())
        return;
    current.id = SyncSettings::newId();
    writer->execute(LogDatabase::storeSettingSql(), {SyncSettings::idKey(), current.id});
}

void OtherComputers::apply(const QString &folder, const QString &name)
{
    ensureId();
    if (folder == current.folder && name == current.name)
        return;
    const SyncSettings::Values earlier = current;
    current.folder = folder;
    current.name = name;
    writer->execute(LogDatabase::storeSettingSql(), {SyncSettings::folderKey(), folder});
    writer->execute(LogDatabase::storeSettingSql(), {SyncSettings::nameKey(), name});
    if (!earlier.folder.isEmpty() && earlier.folder == folder && earlier.name != name)
        publisher->retire(earlier);
    publisher->configure(current);
    lastProblem.clear();
    if (folder.isEmpty()) {
        timer->stop();
        return;
    }
    timer->start();
    publisher->publishSoon(true);
}

SyncSettings::Values OtherComputers::values()
{
    ensureId();
    return current;
}

void OtherComputers::setFromCommandLine(const QStringList &arguments)
{
    if (arguments.isEmpty())
        return;
    ensureId();
    const QString folder = arguments[0];
    const QString name = arguments.size() > 1 ? arguments[1] : current.name;
    // The command checked this before sending it; the folder may have gone
    // or been taken since.
    const QString problem = SyncSettings::problem(folder, name, current.id);
    if (!problem.isEmpty()) {
        emit notice(problem);
        return;
    }
    apply(folder, name);
}

void OtherComputers::publishNow()
{
    publisher->publishSoon(true);
}

void OtherComputers::finish()
{
    timer->stop();
    publisher->publishAndWait(false);
}

void OtherComputers::published(const QString &path, const QString &problem)
{
    Q_UNUSED(path);
    if (problem == lastProblem)
        return;
    lastProblem = problem;
    if (!problem.isEmpty())
        emit notice(tr("Your log could not be published for your other computers.") + QLatin1Char('\n') + problem);
}
