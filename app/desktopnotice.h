#pragma once

#include <QString>

// A short message to the user from a program that may have no tray icon to
// show it with.
namespace DesktopNotice {

// Through the desktop's notification service where there is one, otherwise
// in a small window of its own.
void show(const QString &title, const QString &text);

// Hands the message to the desktop's notification service; false when there
// is none or it does not answer.
bool viaNotificationService(const QString &title, const QString &text);

} // namespace DesktopNotice
