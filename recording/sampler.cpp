#include "sampler.h"

#include "foregroundwindow.h"
#include "logwriter.h"

#include <QPointer>

#include <climits>

namespace {

QString logTime(const QDateTime &at)
{
    return at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

} // namespace

Sampler::Sampler(LogWriter *writer, QObject *parent)
    : QObject(parent)
    , writer(writer)
    , clock([] { return QDateTime::currentDateTime(); })
{
    presence.setInterval(1000);
    connect(&presence, &QTimer::timeout, this, [this] { checkPresence(clock()); });
}

void Sampler::setClock(std::function<QDateTime()> newClock)
{
    clock = std::move(newClock);
}

int Sampler::minuteMs()
{
    static const int ms = [] {
        bool ok = false;
        const int set = qEnvironmentVariableIntValue("KESTO_AWAY_MINUTE_MS", &ok);
        return ok && set > 0 ? set : 60000;
    }();
    return ms;
}

void Sampler::setAwayMinutes(int minutes)
{
    away.minutes = qMax(0, minutes);
    // A threshold that grew past the idle time ends the absence.
    if (away.active)
        checkPresence(clock());
}

void Sampler::tick()
{
    if (paused)
        return;
    const QDateTime at = clock();
    const quint64 request = ++requests;
    if (checkPresence(at))
        return;
    QPointer<Sampler> self(this);
    foregroundWindowSource()->requestSample([self, request, at](std::optional<ForegroundSample> sample) {
        // An answer overtaken by a later tick, or later than a tick, says
        // nothing sure about the moment it was asked for.
        if (!self || request != self->requests || at.secsTo(self->clock()) > TickSeconds)
            return;
        // The user left while the desktop was asked.
        if (self->away.active)
            return;
        self->take(sample, at);
    });
}

void Sampler::endStretch()
{
    inStretch = false;
}

void Sampler::setRules(const RuleSet &newRules)
{
    rules = newRules;
    hasJudged = false;
}

void Sampler::setPaused(bool on)
{
    // Time away is not kept through a pause either: one going on ends here.
    if (on && away.active)
        comeBack(clock(), false);
    paused = on;
    inStretch = false;
    // A sample on its way is dropped: its request is no longer the newest.
    ++requests;
}

QString Sampler::hiddenTitle()
{
    return tr("(hidden)");
}

bool Sampler::isAway()
{
    return checkPresence(clock());
}

void Sampler::finishAbsence()
{
    if (away.active)
        comeBack(clock(), false);
}

bool Sampler::checkPresence(const QDateTime &at)
{
    if (paused)
        return false;
    const int threshold = int(qMin<qint64>(qint64(away.minutes) * minuteMs() / 1000, INT_MAX));
    std::optional<qint64> idle;
    if (away.minutes > 0)
        idle = foregroundWindowSource()->idleSeconds(qMax(1, threshold));
    // A desktop that cannot tell never makes anyone away.
    const bool idleNow = idle && *idle >= qMax(1, threshold);
    if (idleNow && !away.active)
        leave(at.addSecs(-*idle));
    else if (!idleNow && away.active)
        comeBack(idle ? at.addSecs(-*idle) : at, true);
    return away.active;
}

void Sampler::leave(const QDateTime &since)
{
    away.active = true;
    away.since = since;
    inStretch = false;
    // The time booked after the last input was nobody's: it comes off every
    // row it went to, newest first.
    for (auto it = recent.rbegin(); it != recent.rend(); ++it) {
        const qint64 after = since.secsTo(it->start.addSecs(it->seconds));
        if (after <= 0)
            break;
        const qint64 cut = qMin(after, it->seconds);
        it->seconds -= cut;
        writer->extendStretch(it->stretch, int(-cut));
    }
    recent.clear();
    presence.start();
}

void Sampler::comeBack(const QDateTime &at, bool announce)
{
    presence.stop();
    away.active = false;
    const QDateTime to = qMax(at, away.since);
    writer->recordAbsence(logTime(away.since), logTime(to));
    if (announce)
        emit returned(away.since, to);
}

void Sampler::book(const QDateTime &at, int seconds)
{
    if (!recent.isEmpty() && recent.last().stretch == stretch) {
        recent.last().seconds += seconds;
    } else {
        recent.append(Booked{stretch, at, seconds});
    }
    // An absence can reach back one threshold, and a tick or two more.
    const qint64 reach = qint64(away.minutes) * minuteMs() / 1000 + 3 * TickSeconds;
    while (recent.size() > 1 && recent.first().start.addSecs(recent.first().seconds).secsTo(at) > reach)
        recent.removeFirst();
}

void Sampler::take(const std::optional<ForegroundSample> &sample, const QDateTime &at)
{
    // More than two ticks without one: the machine slept or stood still.
    if (lastTick.isValid() && lastTick.msecsTo(at) > 2 * TickSeconds * 1000)
        inStretch = false;
    // A clock set back by more than a tick starts afresh too.
    if (lastTick.isValid() && at.secsTo(lastTick) > TickSeconds)
        inStretch = false;
    lastTick = at;

    if (!sample || sample->title.isEmpty() || sample->path.isEmpty()) {
        // Locked, away, nothing in front: the stretch is over.
        inStretch = false;
        return;
    }
    if (!hasJudged || sample->title != judgedTitle || sample->path != judgedPath) {
        judged = rules.keep(sample->path, sample->title);
        // Out of time once may be the machine's doing (another program ran
        // meanwhile); out of time twice, the rules are too slow for this
        // window and it is not recorded, this tick.
        if (judged == RuleSet::Keep::Undecided)
            judged = rules.keep(sample->path, sample->title);
        if (judged == RuleSet::Keep::Undecided)
            return;
        judgedTitle = sample->title;
        judgedPath = sample->path;
        hasJudged = true;
    }
    if (judged == RuleSet::Keep::Nothing) {
        // Not recorded: its time is nobody's, like a locked screen's.
        inStretch = false;
        return;
    }
    // Hidden titles are all one title: the program's time stays one row.
    const QString title = judged == RuleSet::Keep::WithoutTitle ? hiddenTitle() : sample->title;
    if (inStretch && title == lastAppTitle && sample->path == lastAppFileName && at.date() == stretchDay) {
        writer->extendStretch(stretch, TickSeconds);
        book(at, TickSeconds);
        return;
    }
    // Dated once, now: a row written later (a locked log) keeps this time,
    // whatever the clocks do meanwhile.
    inStretch = true;
    lastAppTitle = title;
    lastAppFileName = sample->path;
    stretchDay = at.date();
    writer->beginStretch(++stretch, sample->path, title, logTime(at), TickSeconds);
    book(at, TickSeconds);
}
