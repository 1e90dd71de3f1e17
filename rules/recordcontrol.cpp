#include "recordcontrol.h"

#include "desktopnotice.h"
#include "promptschedule.h"
#include "rulestore.h"
#include "sampler.h"

#include <QSystemTrayIcon>
#include <QWidget>

RecordControl::RecordControl(const QSqlDatabase &db, LogWriter *writer, Sampler *sampler, PromptSchedule *schedule,
                             QWidget *window)
    : QObject(window)
    , db(db)
    , writer(writer)
    , sampler(sampler)
    , schedule(schedule)
    , window(window)
{
    setObjectName(QStringLiteral("recordControl"));
}

void RecordControl::start(QSystemTrayIcon *trayIcon)
{
    tray = trayIcon;
    const RuleStore::Loaded loaded = RuleStore::load(db);
    setRules(loaded.usable());
    const QStringList skipped = loaded.skipped();
    if (!skipped.isEmpty())
        tell(tr("These rules in the log cannot be used and are left out until you correct them (Rules...):")
             + QLatin1Char('\n') + skipped.join(QLatin1Char('\n')));
}

void RecordControl::setRules(const QList<Rule> &rules)
{
    current = rules;
    sampler->setRules(RuleSet(rules));
}

void RecordControl::tell(const QString &text)
{
    told.append(text);
    if (tray && tray->isVisible() && QSystemTrayIcon::isSystemTrayAvailable())
        tray->showMessage(tr("Quorvel?"), text, QSystemTrayIcon::Warning);
    else
        DesktopNotice::show(QStringLiteral("kesto"), text);
}
