#include "foregroundwindow.h"

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
    if (text.size() <= ForegroundWindowSource::MaxLength)
        return text;
    int length = ForegroundWindowSource::MaxLength;
    if (text.at(length - 1).isHighSurrogate())
        --length;
    return text.left(length);
}
