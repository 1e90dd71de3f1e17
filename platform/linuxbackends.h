#pragma once

#include <QString>

#include <optional>

class ForegroundWindowSource;

// The backends of a Linux desktop; createSystemForegroundWindowSource picks one.
ForegroundWindowSource *createX11ForegroundWindow();

// nullptr, with the reason in whyNot, when the compositor offers no list of
// its windows.
ForegroundWindowSource *createWlrForegroundWindow(QString *whyNot);

// KWin or GNOME Shell, asked over the session bus; nullptr, with the reason,
// when neither is there.
ForegroundWindowSource *createDesktopShellForegroundWindow(QString *whyNot);

// How long nobody has used keyboard or pointer, where a Wayland desktop tells
// it apart from its window list; see ForegroundWindowSource::idleSeconds.
class IdleTime
{
public:
    virtual ~IdleTime() = default;
    virtual std::optional<qint64> idleSeconds(int threshold) = 0;
};

// The compositor's ext-idle-notify-v1, else its org_kde_kwin_idle; nullptr
// when it offers neither.
IdleTime *createWaylandIdleTime();

// GNOME Shell's IdleMonitor on the session bus, with the session manager's
// idle inhibition; nullptr when there is no IdleMonitor.
IdleTime *createGnomeIdleTime();
