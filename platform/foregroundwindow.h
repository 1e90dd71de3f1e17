#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <optional>

// What is in front of the user: the foreground window's title and the full
// path of the executable of the process that owns it.
struct ForegroundSample
{
    QString title;
    QString path;
};

class ForegroundWindowSource
{
public:
    // Longest title or path kept, in UTF-16 code units.
    static constexpr int MaxLength = 1023;

    virtual ~ForegroundWindowSource() = default;

    // The current sample; nothing when there is no window, its title is empty,
    // or its executable cannot be read.
    virtual std::optional<ForegroundSample> sample() = 0;

    // Asks for the current sample without waiting for the desktop: done runs
    // at most once, on the calling thread, at once or when the answer comes.
    // A request overtaken by a newer one may be dropped without a call. The
    // default answers at once from sample().
    using SampleCallback = std::function<void(std::optional<ForegroundSample>)>;
    virtual void requestSample(SampleCallback done) { done(sample()); }

    // False when this session cannot tell what is in front at all; the
    // sampler then records nothing.
    virtual bool isAvailable() const { return true; }

    // When unavailable: what is missing, in words for the user.
    virtual QString unavailableReason() const { return QString(); }

    // Seconds since the user last used keyboard, pointer or touch; a client
    // that holds the desktop's idle inhibition (a video, a call) counts as
    // use where the desktop says so. Nothing when the desktop cannot tell.
    // Desktops that only report crossing a threshold are given it (seconds,
    // above 0) and answer 0 below it. Answers at once, from what the desktop
    // said last.
    virtual std::optional<qint64> idleSeconds(int threshold)
    {
        Q_UNUSED(threshold);
        return std::nullopt;
    }
};

// For backends that answer later: hands each request a callback that still
// answers only while no newer request has been made, so an answer that comes
// after a newer request is dropped instead of passing for the newer one.
class NewestSampleRequest
{
public:
    ForegroundWindowSource::SampleCallback take(ForegroundWindowSource::SampleCallback done)
    {
        const quint64 id = ++*latest;
        return [latest = latest, id, done = std::move(done)](std::optional<ForegroundSample> sample) {
            if (*latest == id)
                done(std::move(sample));
        };
    }

private:
    std::shared_ptr<quint64> latest = std::make_shared<quint64>(0);
};

// The backend of this system, or the one a test installed. The system's
// backend is destroyed when the application is about to quit (a desktop
// that runs code of ours is told to stop it); after that, nothing is in front.
ForegroundWindowSource *foregroundWindowSource();

// Replaces the backend (not owned); nullptr restores the system's one.
void setForegroundWindowSource(ForegroundWindowSource *source);

// Cuts text to at most MaxLength code units without splitting a surrogate
// pair; a first half left at the end by someone else's cut goes too.
QString truncateForLog(const QString &text);
