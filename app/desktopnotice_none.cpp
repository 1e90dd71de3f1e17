// Systems without a notification service kesto can reach: the notice shows
// in a window of its own.
#include "desktopnotice.h"

namespace DesktopNotice {

bool viaNotificationService(const QString &, const QString &)
{
    return false;
}

} // namespace DesktopNotice
