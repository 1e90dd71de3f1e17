// Which backend reads the foreground window of a Linux session.
#include "foregroundwindow.h"
#include "linuxbackends.h"
#include "systembackend.h"

#include <QCoreApplication>

namespace {

class UnavailableSource final : public ForegroundWindowSource
{
public:
    explicit UnavailableSource(const QString &reason) : reason(reason) {}
    std::optional<ForegroundSample> sample() override { return std::nullopt; }
    bool isAvailable() const override { return false; }
    QString unavailableReason() const override { return reason; }

private:
    QString reason;
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
    return source;
}
