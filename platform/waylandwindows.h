#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

class QObject;

// Pure helpers of the Wayland backends: how a compositor's window is traced
// to the executable of its program. Kept apart so they can be tested
// without a compositor.
namespace WaylandWindows {

// The pid of the focused window in a reply to sway's GET_TREE; 0 when the
// focused window is not the one titled `title` (the tree and the protocol
// disagree for a moment after a change) or has no pid.
qint64 focusedPidInSwayTree(const QByteArray &json, const QString &title);

// The pid in a reply to Hyprland's "j/activewindow", under the same rule.
qint64 pidInHyprlandWindow(const QByteArray &json, const QString &title);

// Asks sway over its IPC socket for the tree; empty on any failure.
QByteArray swayTree(const QString &socketPath);

// Asks Hyprland's control socket of the given instance for the active window.
QByteArray hyprlandActiveWindow(const QString &instanceSignature);

// The same two questions without waiting: `done` gets the reply (empty on
// any failure or when the compositor is slow) through the event loop of the
// calling thread, or at once when the socket cannot be reached; never after
// `context` is destroyed. Each question has a connection of its own, so one
// the compositor dropped is simply not used again.
using ReplyCallback = std::function<void(const QByteArray &)>;
void swayTreeLater(const QString &socketPath, QObject *context, ReplyCallback done);
void hyprlandActiveWindowLater(const QString &instanceSignature, QObject *context, ReplyCallback done);

// The program that a desktop entry starts: TryExec, else the first word of
// Exec (past an "env VAR=value" prefix). Empty when the entry names none.
QString programOfDesktopEntry(const QByteArray &contents);

// The full, canonical path of the program behind an app_id: its
// "<app_id>.desktop" in the XDG data directories, that entry's program found
// on PATH. Empty when any step fails: a guess is never returned.
QString executableForAppId(const QString &appId);

// Where desktop entries are looked for, most important first.
QStringList applicationDirs();

} // namespace WaylandWindows
