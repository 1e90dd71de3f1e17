#pragma once

#include <QString>

#include <optional>

// What is in front of the user: the foreground window's title and the full
// path of the executable of the process that owns it.
struct ForegroundSample
{
    QString title;
    QString path;
};

class ForegroundWindowSource
{
public:
    // Longest title or path kept, in UTF-16 code units.
    static constexpr int MaxLength = 1023;

    virtual ~ForegroundWindowSource() = default;

    // The current sample; nothing when there is no window, its title is empty,
    // or its executable cannot be read.
    virtual std::optional<ForegroundSample> sample() = 0;

    // False when this session cannot tell what is in front at all (a Wayland
    // desktop); the sampler then records nothing.
    virtual bool isAvailable() const { return true; }
};

// The backend of this system, or the one a test installed.
ForegroundWindowSource *foregroundWindowSource();

// Replaces the backend (not owned); nullptr restores the system's one.
void setForegroundWindowSource(ForegroundWindowSource *source);

// Cuts text to at most MaxLength code units without splitting a surrogate
// pair; a first half left at the end by someone else's cut goes too.
QString truncateForLog(const QString &text);
