#include "sampler.h"

#include "foregroundwindow.h"
#include "logwriter.h"

#include <QPointer>

Sampler::Sampler(LogWriter *writer, QObject *parent)
    : QObject(parent)
    , writer(writer)
    , clock([] { return QDateTime::currentDateTime(); })
{
}

void Sampler::setClock(std::function<QDateTime()> newClock)
{
    clock = std::move(newClock);
}

void Sampler::tick()
{
    if (paused)
        return;
    const QDateTime at = clock();
    const quint64 request = ++requests;
    QPointer<Sampler> self(this);
    foregroundWindowSource()->requestSample([self, request, at](std::optional<ForegroundSample> sample) {
        // An answer overtaken by a later tick, or later than a tick, says
        // nothing sure about the moment it was asked for.
        if (!self || request != self->requests || at.secsTo(self->clock()) > TickSeconds)
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
    paused = on;
    inStretch = false;
    // A sample on its way is dropped: its request is no longer the newest.
    ++requests;
}

QString Sampler::hiddenTitle()
{
    return tr("(hidden)");
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
        return;
    }
    // Dated once, now: a row written later (a locked log) keeps this time,
    // whatever the clocks do meanwhile.
    inStretch = true;
    lastAppTitle = title;
    lastAppFileName = sample->path;
    stretchDay = at.date();
    writer->beginStretch(++stretch, sample->path, title, at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                         TickSeconds);
}
