// Turns the Win32 reader's wide strings into a sample.
#include "foregroundwindow.h"
#include "systembackend.h"
#include "win32/foregroundwin32.h"

namespace {

class Win32ForegroundWindow final : public ForegroundWindowSource
{
public:
    std::optional<ForegroundSample> sample() override
    {
        std::wstring title;
        std::wstring path;
        if (!Win32Foreground::read(title, path))
            return std::nullopt;
        // The same cut as every other backend's, whatever the reader did.
        return ForegroundSample{truncateForLog(QString::fromWCharArray(title.data(), int(title.size()))),
                                truncateForLog(QString::fromWCharArray(path.data(), int(path.size())))};
    }

    std::optional<qint64> idleSeconds(int) override
    {
        unsigned long long milliseconds = 0;
        if (!Win32Foreground::idleMilliseconds(milliseconds))
            return std::nullopt;
        return qint64(milliseconds / 1000);
    }
};

} // namespace

ForegroundWindowSource *createSystemForegroundWindowSource()
{
    return new Win32ForegroundWindow;
}
