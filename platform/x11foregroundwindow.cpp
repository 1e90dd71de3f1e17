// Foreground window on X11: asked over a connection of our own, so it works
// whichever platform plugin Qt itself runs on.
#include "foregroundwindow.h"
#include "linuxbackends.h"
#include "sessionlock.h"
#include "x11titles.h"

#include <X11/Xlib-xcb.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <xcb/res.h>
#include <xcb/screensaver.h>
#include <xcb/xcb.h>

#include <QByteArray>
#include <QtGlobal>

#include <cstdlib>
#include <memory>

namespace {

struct FreeDeleter
{
    void operator()(void *p) const { std::free(p); }
};
template<typename T>
using XcbReply = std::unique_ptr<T, FreeDeleter>;

// Enough bytes for 1,023 UTF-16 code units in any of the simple encodings.
constexpr uint32_t kTitleLongs = 1024;
// Compound text spends bytes on escape sequences; read more, but bounded.
constexpr uint32_t kCompoundLongs = 64 * 1024;

class X11ForegroundWindow final : public ForegroundWindowSource
{
public:
    ~X11ForegroundWindow() override { disconnect(); }

    std::optional<ForegroundSample> sample() override
    {
        if (!ensureConnected())
            return std::nullopt;
        // A locked or blanked screen keeps its last window active; nobody is
        // using it. (libxcb keeps every reply that is not read, so each
        // request below has its reply read, whatever is returned.)
        xcb_screensaver_query_info_cookie_t saverCookie{};
        if (hasScreenSaver)
            saverCookie = xcb_screensaver_query_info(connection, root);
        const xcb_window_t window = activeWindow();
        if (screenSaverOn(saverCookie) || isSessionLocked() || window == XCB_WINDOW_NONE)
            return std::nullopt;

        // Everything about the window travels in one round trip.
        const auto netNameCookie = property(window, atomNetWmName, atomUtf8String, kTitleLongs);
        const auto wmNameCookie = property(window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, kTitleLongs);
        const auto netPidCookie = property(window, atomNetWmPid, XCB_ATOM_CARDINAL, 1);
        xcb_res_query_client_ids_cookie_t resCookie{};
        if (hasXRes) {
            const xcb_res_client_id_spec_t wanted{window, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
            resCookie = xcb_res_query_client_ids(connection, 1, &wanted);
        }
        bool windowExists = false;
        const auto netName = propertyReply(netNameCookie, &windowExists);
        const auto wmName = propertyReply(wmNameCookie, &windowExists);
        const auto netPid = propertyReply(netPidCookie, nullptr);
        XcbReply<xcb_res_query_client_ids_reply_t> res;
        if (hasXRes)
            res = reply(xcb_res_query_client_ids_reply, resCookie);

        QString title = titleFrom(window, netName.get());
        if (title.isEmpty())
            title = titleFrom(window, wmName.get());
        qint64 pid = 0;
        // The extension answers by the id's client part even for a window
        // that is gone; only a live window makes its answer trustworthy.
        if (res && windowExists)
            pid = pidFromXRes(res.get());
        if (pid <= 0 && netPid && netPid->type == XCB_ATOM_CARDINAL && netPid->format == 32
            && xcb_get_property_value_length(netPid.get()) >= 4)
            pid = *static_cast<const uint32_t *>(xcb_get_property_value(netPid.get()));
        if (title.isEmpty() || pid <= 0)
            return std::nullopt;
        const QString path = X11Titles::executableOfProcess(pid);
        if (path.isEmpty())
            return std::nullopt;
        return ForegroundSample{truncateForLog(title), truncateForLog(path)};
    }

    // The server counts from the last input of any device; a player that
    // resets the screen saver to keep the screen on starts it again too.
    std::optional<qint64> idleSeconds(int) override
    {
        if (!ensureConnected() || !hasScreenSaver)
            return std::nullopt;
        const auto info = reply(xcb_screensaver_query_info_reply, xcb_screensaver_query_info(connection, root));
        if (!info)
            return std::nullopt;
        return qint64(info->ms_since_user_input / 1000);
    }

private:
    bool ensureConnected()
    {
        if (connection && xcb_connection_has_error(connection))
            disconnect();
        if (connection)
            return true;
        if (triedAndFailed)
            return false;
        display = XOpenDisplay(nullptr);
        if (!display) {
            // No X server now; a later tick may find one.
            triedAndFailed = ++failedConnects > 3;
            return false;
        }
        connection = XGetXCBConnection(display);
        root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        internAtoms();
        const xcb_query_extension_reply_t *ext = xcb_get_extension_data(connection, &xcb_res_id);
        if (ext && ext->present) {
            auto version = reply(xcb_res_query_version_reply, xcb_res_query_version(connection, 1, 2));
            hasXRes = version && (version->server_major > 1 || version->server_minor >= 2);
        }
        const xcb_query_extension_reply_t *saver = xcb_get_extension_data(connection, &xcb_screensaver_id);
        hasScreenSaver = saver && saver->present;
        return true;
    }

    void disconnect()
    {
        if (display)
            XCloseDisplay(display);
        display = nullptr;
        connection = nullptr;
        hasXRes = false;
        hasScreenSaver = false;
    }

    void internAtoms()
    {
        static const char *const names[] = {"_NET_ACTIVE_WINDOW", "_NET_WM_NAME", "UTF8_STRING",
                                            "COMPOUND_TEXT", "WM_STATE", "_NET_WM_PID"};
        xcb_atom_t *const targets[] = {&atomNetActiveWindow, &atomNetWmName, &atomUtf8String,
                                       &atomCompoundText, &atomWmState, &atomNetWmPid};
        xcb_intern_atom_cookie_t cookies[6];
        for (int i = 0; i < 6; ++i)
            cookies[i] = xcb_intern_atom(connection, 0, uint16_t(qstrlen(names[i])), names[i]);
        for (int i = 0; i < 6; ++i) {
            auto atom = reply(xcb_intern_atom_reply, cookies[i]);
            *targets[i] = atom ? atom->atom : XCB_ATOM_NONE;
        }
    }

    xcb_get_property_cookie_t property(xcb_window_t window, xcb_atom_t name, xcb_atom_t type, uint32_t longs)
    {
        return xcb_get_property(connection, 0, window, name, type, 0, longs);
    }

    // Errors are taken with their reply: left to libxcb they would wait in
    // an event queue that nobody here reads.
    template<typename Reply, typename Cookie>
    XcbReply<Reply> reply(Reply *(*read)(xcb_connection_t *, Cookie, xcb_generic_error_t **), Cookie cookie)
    {
        xcb_generic_error_t *error = nullptr;
        XcbReply<Reply> answer(read(connection, cookie, &error));
        std::free(error);
        return answer;
    }

    XcbReply<xcb_get_property_reply_t> propertyReply(xcb_get_property_cookie_t cookie, bool *windowExists)
    {
        auto answer = reply(xcb_get_property_reply, cookie);
        if (answer && windowExists)
            *windowExists = true;
        return answer;
    }

    xcb_window_t activeWindow()
    {
        {
            auto active = propertyReply(property(root, atomNetActiveWindow, XCB_ATOM_WINDOW, 1), nullptr);
            if (active && active->type == XCB_ATOM_WINDOW && active->format == 32) {
                if (xcb_get_property_value_length(active.get()) < 4)
                    return XCB_WINDOW_NONE;
                return *static_cast<const xcb_window_t *>(xcb_get_property_value(active.get()));
            }
        }
        // No EWMH window manager: follow the input focus up to the client window.
        auto focus = reply(xcb_get_input_focus_reply, xcb_get_input_focus(connection));
        if (!focus || focus->focus == XCB_WINDOW_NONE || focus->focus == XCB_INPUT_FOCUS_POINTER_ROOT)
            return XCB_WINDOW_NONE;
        xcb_window_t window = focus->focus;
        // Without any window manager nothing carries WM_STATE and the
        // top-level window itself is the client.
        xcb_window_t topLevel = XCB_WINDOW_NONE;
        for (int depth = 0; depth < 32 && window != XCB_WINDOW_NONE && window != root; ++depth) {
            auto state = propertyReply(property(window, atomWmState, XCB_GET_PROPERTY_TYPE_ANY, 0), nullptr);
            if (state && state->type != XCB_ATOM_NONE)
                return window;
            auto tree = reply(xcb_query_tree_reply, xcb_query_tree(connection, window));
            if (!tree)
                return XCB_WINDOW_NONE;
            if (tree->parent == root)
                topLevel = window;
            window = tree->parent;
        }
        return topLevel;
    }

    QString titleFrom(xcb_window_t window, const xcb_get_property_reply_t *reply)
    {
        if (!reply || reply->type == XCB_ATOM_NONE || reply->format != 8)
            return QString();
        QByteArray bytes(static_cast<const char *>(xcb_get_property_value(reply)),
                         xcb_get_property_value_length(reply));
        if (reply->type == atomCompoundText) {
            if (reply->bytes_after > 0) {
                auto whole = propertyReply(
                    property(window, XCB_ATOM_WM_NAME, atomCompoundText, kCompoundLongs), nullptr);
                if (whole && whole->type == atomCompoundText && whole->format == 8)
                    bytes = QByteArray(static_cast<const char *>(xcb_get_property_value(whole.get())),
                                       xcb_get_property_value_length(whole.get()));
            }
            return decodeCompoundText(bytes);
        }
        X11Titles::Encoding encoding = X11Titles::Encoding::Unknown;
        if (reply->type == XCB_ATOM_STRING)
            encoding = X11Titles::Encoding::Latin1;
        else if (reply->type == atomUtf8String)
            encoding = X11Titles::Encoding::Utf8;
        return X11Titles::decode(bytes, encoding);
    }

    // The server's own screen saver (xset s activate, or a locker that
    // drives it): nothing is in use while it is on.
    bool screenSaverOn(xcb_screensaver_query_info_cookie_t cookie)
    {
        if (!hasScreenSaver)
            return false;
        auto info = reply(xcb_screensaver_query_info_reply, cookie);
        return info && info->state == XCB_SCREENSAVER_STATE_ON;
    }

    QString decodeCompoundText(const QByteArray &bytes)
    {
        XTextProperty text;
        text.value = reinterpret_cast<unsigned char *>(const_cast<char *>(bytes.constData()));
        text.encoding = atomCompoundText;
        text.format = 8;
        text.nitems = static_cast<unsigned long>(bytes.size());
        char **list = nullptr;
        int count = 0;
        QString result;
        if (Xutf8TextPropertyToTextList(display, &text, &list, &count) >= Success && list) {
            for (int i = 0; i < count; ++i)
                result += QString::fromUtf8(list[i]);
            XFreeStringList(list);
        } else {
            // Keep what can be read rather than nothing.
            result = QString::fromLatin1(bytes);
        }
        return result;
    }

    static qint64 pidFromXRes(xcb_res_query_client_ids_reply_t *reply)
    {
        for (auto it = xcb_res_query_client_ids_ids_iterator(reply); it.rem; xcb_res_client_id_value_next(&it)) {
            // The value record starts with the client id it answers.
            const auto *id = reinterpret_cast<const xcb_res_client_id_spec_t *>(it.data);
            if ((id->mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID) && it.data->length >= 4)
                return *xcb_res_client_id_value_value(it.data);
        }
        return 0;
    }

    Display *display = nullptr;
    xcb_connection_t *connection = nullptr;
    xcb_window_t root = XCB_WINDOW_NONE;
    bool hasXRes = false;
    bool hasScreenSaver = false;
    bool triedAndFailed = false;
    int failedConnects = 0;
    xcb_atom_t atomNetActiveWindow = XCB_ATOM_NONE;
    xcb_atom_t atomNetWmName = XCB_ATOM_NONE;
    xcb_atom_t atomUtf8String = XCB_ATOM_NONE;
    xcb_atom_t atomCompoundText = XCB_ATOM_NONE;
    xcb_atom_t atomWmState = XCB_ATOM_NONE;
    xcb_atom_t atomNetWmPid = XCB_ATOM_NONE;
};

} // namespace

ForegroundWindowSource *createX11ForegroundWindow()
{
    return new X11ForegroundWindow;
}
