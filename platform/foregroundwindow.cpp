#include "foregroundwindow.h"

#include "logcut.h"
#include "systembackend.h"

#include <QCoreApplication>

namespace {

ForegroundWindowSource *installed = nullptr;

// What is left once the system's backend is gone at quitting time: asking
// again must not start a new one (a KWin script loaded then would stay).
class NothingInFront final : public ForegroundWindowSource
{
public:
    std::optional<ForegroundSample> sample() override { return std::nullopt; }
};

} // namespace

ForegroundWindowSource *foregroundWindowSource()
{
    if (installed)
        return installed;
    static ForegroundWindowSource *system = nullptr;
    static bool ended = false;
    static NothingInFront nothing;
    if (ended)
        return &nothing;
    if (!system) {
        system = createSystemForegroundWindowSource();
        // Destroyed while the session bus still works.
        if (QCoreApplication *app = QCoreApplication::instance())
            QObject::connect(app, &QCoreApplication::aboutToQuit, [] {
                delete system;
                system = nullptr;
                ended = true;
            });
    }
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
