// LD_PRELOAD shim: every fsync and fdatasync waits first, as on a slow laptop
// disk or a busy network home. KESTO_FSYNC_DELAY_MS sets the wait (200 ms).
#include <cstdlib>
#include <ctime>
#include <dlfcn.h>

namespace {

void wait()
{
    static const long ms = std::getenv("KESTO_FSYNC_DELAY_MS") ? std::atol(std::getenv("KESTO_FSYNC_DELAY_MS")) : 200;
    timespec pause{ms / 1000, (ms % 1000) * 1000000};
    while (nanosleep(&pause, &pause) != 0) {
    }
}

template<typename F>
F real(const char *name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" int fsync(int fd)
{
    static const auto next = real<int (*)(int)>("fsync");
    wait();
    return next(fd);
}

extern "C" int fdatasync(int fd)
{
    static const auto next = real<int (*)(int)>("fdatasync");
    wait();
    return next(fd);
}
