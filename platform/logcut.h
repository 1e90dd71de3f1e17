#pragma once
// Free of Qt: shared by the log's Qt side and the Win32 reader.

#include <cstddef>

namespace LogCut {

// Longest title or path kept, in UTF-16 code units.
constexpr std::size_t MaxUnits = 1023;

// How many of the first `size` UTF-16 units to keep: at most MaxUnits, and
// never ending in the first half of a surrogate pair (as a system's own cut,
// GetWindowTextW's for one, can leave it).
template<typename Unit>
std::size_t keptUnits(const Unit *units, std::size_t size)
{
    std::size_t length = size < MaxUnits ? size : MaxUnits;
    if (length > 0) {
        const unsigned last = static_cast<unsigned>(units[length - 1]) & 0xffffu;
        if (last >= 0xd800u && last <= 0xdbffu)
            --length;
    }
    return length;
}

} // namespace LogCut
