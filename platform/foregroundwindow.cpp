#include "foregroundwindow.h"

#include "logcut.h"
#include "systembackend.h"

namespace {
ForegroundWindowSource *installed = nullptr;
}

ForegroundWindowSource *foregroundWindowSource()
{
    if (installed)
        return installed;
    static ForegroundWindowSource *const system = createSystemForegroundWindowSource();
    return system;
}

void setForegroundWindowSource(ForegroundWindowSource *source)
{
    installed = source;
}

QString truncateForLog(const QString &text)
{
    const std::size_t kept = LogCut::keptUnits(text.utf16(), std::size_t(text.size()));
    return kept == std::size_t(text.size()) ? text : text.left(int(kept));
}
