#pragma once
// Driving a real X desktop from tests: external tools and the real kesto.

#include "foregroundwindow.h"

#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace TestSupport {
class Sandbox;
}

namespace DesktopTools {

// Polls condition every 100 ms until it holds or timeoutMs passed; its last
// answer.
bool waitFor(const std::function<bool()> &condition, int timeoutMs);

// The environment of a real kesto on the test's X desktop, in the sandbox.
QStringList kestoEnv(const TestSupport::Sandbox &box);

// Runs a program to its end and returns what it printed; empty on failure.
QString run(const QString &program, const QStringList &args, int timeoutMs = 20000);

// The id of the first visible window whose title matches, waiting for it.
QString waitForWindow(const QString &title, int timeoutMs = 10000);

// Activates a window through the window manager (or focuses it without one)
// and waits until it is in front.
bool bringToFront(const QString &windowId, bool withWindowManager = true);

// Whether a window of class "kesto" sits inside the panel's system tray.
bool kestoIconInTray();

// "IsViewable" / "IsUnMapped" of the first window with that exact title.
QString mapState(const QString &title);

// A started program that is killed when this goes out of scope.
class Child
{
public:
    Child(const QString &program, const QStringList &args, const QString &workDir = QString(),
          const QStringList &extraEnv = {});
    ~Child();
    QProcess &process() { return proc; }
    qint64 pid() const { return proc.processId(); }

private:
    QProcess proc;
};

// Where the built kesto and its template are.
QString binDir();

// The real kesto on the session's Wayland display, in the sandbox, asking
// at once (QueryMinutes 0); null when its template could not be set so.
std::unique_ptr<Child> startKestoAskingOnWayland(const TestSupport::Sandbox &box);
// Whether kesto's own sampler logged its prompt as the window in front, once,
// under kesto's own path. Waits for the log up to 10 s, then 15 s for the row.
bool kestoLoggedItsPrompt(const TestSupport::Sandbox &box);

// What a backend's requestSample answered, and whether the call returned
// before the answer came (so it did not wait for the desktop).
struct RequestedSample
{
    bool answered = false;
    bool returnedFirst = false;
    std::optional<ForegroundSample> sample;
};
// Asks once, then runs the event loop until the answer or the timeout.
RequestedSample requestSample(ForegroundWindowSource &source, int timeoutMs = 5000);

} // namespace DesktopTools
