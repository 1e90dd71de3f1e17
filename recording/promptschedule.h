#pragma once

#include <QObject>

class QTimer;

// When the prompt comes: the interval, whether prompting is active, and
// whether the next prompt takes the last answer back. One rule holds
// throughout: while prompting is active, recording is not paused and the
// prompt is hidden, the timer runs.
class PromptSchedule : public QObject
{
    Q_OBJECT

public:
    // The timer is the caller's; this only starts and stops it.
    PromptSchedule(QTimer *timer, int queryMinutes, QObject *parent = nullptr);

    int queryMinutes() const { return minutes; }
    // Applies a new interval: the next prompt comes one full interval later.
    void setQueryMinutes(int queryMinutes);

    bool isActive() const { return active; }
    // Paused, no prompt comes; resumed, the next comes one interval later.
    void setActive(bool active);

    // Recording paused: no prompt comes either, whatever Active says; after
    // the pause the next comes one interval later.
    void setPaused(bool paused);
    bool isPaused() const { return paused; }

    bool reWriteMode() const { return rewrite; }
    void requestRewrite() { rewrite = true; }

    // The prompt came up. A regular one stops the timer: the interval counts
    // again from its answer.
    void promptOpened();
    // The prompt went away, answered or dismissed. Returns whether it was a
    // take-back; the mode belongs to that prompt only.
    bool promptClosed();

    // The timer came while the user was away: the prompt waits for their
    // return instead of piling up.
    void holdForReturn() { held = true; }
    // The user is back: whether a prompt waited for them. Asked once.
    bool takeHeld()
    {
        const bool was = held;
        held = false;
        return was;
    }

    // The timer's interval in milliseconds.
    int interval() const;

private:
    QTimer *timer;
    int minutes;
    bool active = true;
    bool paused = false;
    bool rewrite = false;
    bool held = false;
};
