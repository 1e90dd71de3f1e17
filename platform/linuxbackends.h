#pragma once

#include <QString>

class ForegroundWindowSource;

// The backends of a Linux desktop; createSystemForegroundWindowSource picks one.
ForegroundWindowSource *createX11ForegroundWindow();

// nullptr, with the reason in whyNot, when the compositor offers no list of
// its windows.
ForegroundWindowSource *createWlrForegroundWindow(QString *whyNot);

// KWin or GNOME Shell, asked over the session bus; nullptr, with the reason,
// when neither is there.
ForegroundWindowSource *createDesktopShellForegroundWindow(QString *whyNot);
