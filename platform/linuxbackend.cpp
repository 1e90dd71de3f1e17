// Which backend reads the foreground window of a Linux session.
#include "foregroundwindow.h"
#include "linuxbackends.h"
#include "sessionlock.h"
#include "systembackend.h"

#include <QCoreApplication>

#include <memory>

namespace {

// Idle time on Wayland comes from the compositor or the shell, whichever
// backend reads the window in front.
std::unique_ptr<IdleTime> waylandIdleTime()
{
    std::unique_ptr<IdleTime> idle(createWaylandIdleTime());
    if (!idle)
        idle.reset(createGnomeIdleTime());
    return idle;
}

class UnavailableSource final : public ForegroundWindowSource
{
public:
    explicit UnavailableSource(const QString &reason) : reason(reason), idle(waylandIdleTime()) {}
    std::optional<ForegroundSample> sample() override { return std::nullopt; }
    bool isAvailable() const override { return false; }
    QString unavailableReason() const override { return reason; }
    // Nothing is logged, but the prompt still asks about time away.
    std::optional<qint64> idleSeconds(int threshold) override
    {
        return idle ? idle->idleSeconds(threshold) : std::nullopt;
    }

private:
    QString reason;
    std::unique_ptr<IdleTime> idle;
};

// Wayland compositors keep the last window "active" behind the lock screen;
// a locked session is nobody at work.
class UnlockedOnly final : public ForegroundWindowSource
{
public:
    explicit UnlockedOnly(ForegroundWindowSource *source) : source(source), idle(waylandIdleTime()) {}
    std::optional<ForegroundSample> sample() override
    {
        if (isSessionLocked())
            return std::nullopt;
        return source->sample();
    }
    void requestSample(SampleCallback done) override
    {
        // The locked state is kept from the bus's last answers: no waiting.
        SampleCallback answer = newest.take(std::move(done));
        if (isSessionLocked())
            answer(std::nullopt);
        else
            source->requestSample(std::move(answer));
    }
    bool isAvailable() const override { return source->isAvailable(); }
    QString unavailableReason() const override { return source->unavailableReason(); }
    std::optional<qint64> idleSeconds(int threshold) override
    {
        return idle ? idle->idleSeconds(threshold) : std::nullopt;
    }

private:
    std::unique_ptr<ForegroundWindowSource> source;
    std::unique_ptr<IdleTime> idle;
    // An answer still on its way must not follow a locked tick's nothing.
    NewestSampleRequest newest;
};

bool isWaylandSession()
{
    return qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland")
        || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace

ForegroundWindowSource *createSystemForegroundWindowSource()
{
    if (!isWaylandSession())
        return createX11ForegroundWindow();
    // Never X11 here, even with DISPLAY set: XWayland sees only its own
    // windows and would log wrong answers.
    QString wlrMissing;
    QString shellMissing;
    ForegroundWindowSource *source = createWlrForegroundWindow(&wlrMissing);
    if (!source)
        source = createDesktopShellForegroundWindow(&shellMissing);
    if (!source)
        return new UnavailableSource(
            QCoreApplication::translate("ForegroundWindowSource",
                                        "This Wayland desktop does not tell kesto which window is in front (%1; %2).")
                .arg(wlrMissing, shellMissing));
    return new UnlockedOnly(source);
}
