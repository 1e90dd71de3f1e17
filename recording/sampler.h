#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class LogWriter;
struct ForegroundSample;

// Turns the samples of the window in front into rows of ApplicationLog. A
// row is one unbroken stretch of one window on one day: it ends, and the
// next sample starts a new one, when the window or its program changes, a
// tick finds no window, the local date changes, or the ticks stopped for a
// while (a suspend, a stalled machine). A gap's own time is never added.
class Sampler : public QObject
{
    Q_OBJECT

public:
    static constexpr int TickSeconds = 5;

    explicit Sampler(LogWriter *writer, QObject *parent = nullptr);

    // What the time is; tests set a clock of their own.
    void setClock(std::function<QDateTime()> clock);
    QDateTime now() const { return clock(); }

    // Asks the foreground window source for what is in front now; the sample
    // is booked at this moment when it comes, or dropped when it comes too
    // late to tell what was in front then.
    void tick();

    // Ends the current stretch: the next sample starts a new row.
    void endStretch();

private:
    void take(const std::optional<ForegroundSample> &sample, const QDateTime &at);

    LogWriter *writer;
    std::function<QDateTime()> clock;
    quint64 requests = 0;
    quint64 stretch = 0;
    bool inStretch = false;
    QString lastAppTitle;
    QString lastAppFileName;
    QDate stretchDay;
    QDateTime lastTick;
};
