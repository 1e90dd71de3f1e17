// libFuzzer target: decoding a window title property never fails, keeps
// every readable character, and the cut for the log stays within bounds.
#include "foregroundwindow.h"
#include "x11titles.h"

#include <cstdint>
#include <cstdlib>

// The fuzzer needs no X server: no backend is ever created.
ForegroundWindowSource *createSystemForegroundWindowSource()
{
    return nullptr;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    using X11Titles::Encoding;
    for (Encoding encoding : {Encoding::Latin1, Encoding::Utf8, Encoding::Unknown}) {
        const QString title = X11Titles::decode(bytes, encoding);
        // Nothing is dropped: every byte yields at least part of a character.
        if (!bytes.isEmpty() && title.isEmpty())
            std::abort();
        if (encoding == Encoding::Latin1 && title.size() != bytes.size())
            std::abort();
        // Valid UTF-8 round-trips exactly.
        if (encoding == Encoding::Utf8 && !title.contains(QChar::ReplacementCharacter) && title.toUtf8() != bytes)
            std::abort();
        const QString cut = truncateForLog(title);
        if (cut.size() > ForegroundWindowSource::MaxLength || !title.startsWith(cut))
            std::abort();
        if (!cut.isEmpty() && cut.back().isHighSurrogate())
            std::abort();
        if (title.size() <= ForegroundWindowSource::MaxLength && cut != title)
            std::abort();
        if (title.size() > ForegroundWindowSource::MaxLength && cut.size() < ForegroundWindowSource::MaxLength - 1)
            std::abort();
    }
    return 0;
}
