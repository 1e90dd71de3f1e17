#include "promptschedule.h"

#include <QTimer>

#include <climits>

PromptSchedule::PromptSchedule(QTimer *timer, int queryMinutes, QObject *parent)
    : QObject(parent)
    , timer(timer)
    , minutes(queryMinutes)
{
    timer->start(interval());
}

int PromptSchedule::interval() const
{
    // A stored interval too large for the timer waits as long as it can
    // instead of wrapping round to a negative one.
    return int(qMin<qint64>(qint64(minutes) * 60000, INT_MAX));
}

void PromptSchedule::setQueryMinutes(int queryMinutes)
{
    timer->stop();
    minutes = queryMinutes;
    if (active && !paused)
        timer->start(interval());
}

void PromptSchedule::setActive(bool on)
{
    active = on;
    if (active && !paused)
        timer->start(interval());
    else
        timer->stop();
}

void PromptSchedule::setPaused(bool on)
{
    if (on == paused)
        return;
    paused = on;
    // A prompt held for the user's return is no longer owed.
    held = false;
    if (active && !paused)
        timer->start(interval());
    else
        timer->stop();
}

void PromptSchedule::promptOpened()
{
    held = false;
    if (!rewrite)
        timer->stop();
}

bool PromptSchedule::promptClosed()
{
    const bool wasRewrite = rewrite;
    rewrite = false;
    // A take-back leaves a running timer alone, but one opened over a
    // regular prompt finds it stopped.
    if (active && !paused && (!wasRewrite || !timer->isActive()))
        timer->start(interval());
    return wasRewrite;
}
