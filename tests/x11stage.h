#pragma once
// Windows staged on a real X server for the X11 backend to find, without a
// window manager: the stage itself says which window is active. Shared by
// the soak test and the benchmark.

#include <QByteArray>
#include <QString>

#include <functional>

#include <xcb/xcb.h>

class X11Stage
{
public:
    // The kinds of window the long runs go through.
    enum class Kind { Utf8NetName, Latin1WmName, CompoundTextWmName, Vanishing };
    static QString kindName(Kind kind);

    X11Stage();
    ~X11Stage();
    bool isConnected() const { return connection && !xcb_connection_has_error(connection); }

    xcb_window_t window();
    void setNetName(xcb_window_t w, const QByteArray &utf8);
    void setWmName(xcb_window_t w, const QByteArray &bytes, bool compoundText);
    void activate(xcb_window_t w);
    void destroy(xcb_window_t w);
    void flush() { xcb_flush(connection); }
    // Waits until the server has carried out everything sent so far.
    void sync();
    // Turns the server's screen saver on or off, as `xset s activate` and
    // `xset s reset` do; on stays on while this connection lives.
    void forceScreenSaver(bool on);

    // Puts a window of the kind in front; for Vanishing a new one each call,
    // destroyed while the sampler's requests are on their way.
    void stage(Kind kind);
    // After the sample: the vanishing window is gone for good.
    void unstage(Kind kind);

    // The title the backend should read for the kind.
    static QString expectedTitle(Kind kind);

    // Memory growth in MB over `samples` calls of `sample`, after `warmUp`
    // calls, with a window of the kind in front: the resident set, and the
    // heap in use. The resident set also moves as the allocator takes and
    // returns pages; the heap in use only with what is allocated.
    struct Growth
    {
        double residentMb = 0;
        double heapMb = 0;
    };
    Growth growthMb(Kind kind, const std::function<void()> &sample, int warmUp, int samples);

private:
    xcb_atom_t atom(const char *name);
    xcb_connection_t *connection;
    xcb_window_t root;
    xcb_atom_t activeAtom, nameAtom, utf8Atom, compoundAtom;
    xcb_window_t staged = XCB_WINDOW_NONE;
    Kind stagedKind = Kind::Utf8NetName;
};

// Resident set of this process in MB, -1 when unknown.
double residentMb();
// Bytes allocated and not freed, over all of malloc's arenas, in MB.
double heapInUseMb();
