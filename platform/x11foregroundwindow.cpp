// Foreground window on X11: asked over a connection of our own, so it works
// whichever platform plugin Qt itself runs on.
#include "foregroundwindow.h"
#include "linuxbackends.h"
#include "x11titles.h"

#include <X11/Xlib-xcb.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <xcb/res.h>
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
        const xcb_window_t window = activeWindow();
        if (window == XCB_WINDOW_NONE)
            return std::nullopt;

        // Everything about the window travels in one round trip.
        const auto netName = property(window, atomNetWmName, atomUtf8String, kTitleLongs);
        const auto wmName = property(window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, kTitleLongs);
        const auto netPid = property(window, atomNetWmPid, XCB_ATOM_CARDINAL, 1);
        xcb_res_query_client_ids_cookie_t resCookie{};
        if (hasXRes) {
            const xcb_res_client_id_spec_t wanted{window, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
            resCookie = xcb_res_query_client_ids(connection, 1, &wanted);
        }

        bool windowExists = false;
        QString title = titleFrom(window, netName, &windowExists);
        if (title.isEmpty())
            title = titleFrom(window, wmName, &windowExists);
        qint64 pid = 0;
        if (hasXRes) {
            xcb_generic_error_t *error = nullptr;
            XcbReply<xcb_res_query_client_ids_reply_t> reply(
                xcb_res_query_client_ids_reply(connection, resCookie, &error));
            std::free(error);
            // The extension answers by the id's client part even for a window
            // that is gone; only a live window makes its answer trustworthy.
            if (reply && windowExists)
                pid = pidFromXRes(reply.get());
        }
        {
            xcb_generic_error_t *error = nullptr;
            XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection, netPid, &error));
            std::free(error);
            if (pid <= 0 && reply && reply->type == XCB_ATOM_CARDINAL && reply->format == 32
                && xcb_get_property_value_length(reply.get()) >= 4)
                pid = *static_cast<const uint32_t *>(xcb_get_property_value(reply.get()));
        }
        if (title.isEmpty() || pid <= 0)
            return std::nullopt;
        const QString path = X11Titles::executableOfProcess(pid);
        if (path.isEmpty())
            return std::nullopt;
        return ForegroundSample{truncateForLog(title), truncateForLog(path)};
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
            XcbReply<xcb_res_query_version_reply_t> version(xcb_res_query_version_reply(
                connection, xcb_res_query_version(connection, 1, 2), nullptr));
            hasXRes = version && (version->server_major > 1 || version->server_minor >= 2);
        }
        return true;
    }

    void disconnect()
    {
        if (display)
            XCloseDisplay(display);
        display = nullptr;
        connection = nullptr;
        hasXRes = false;
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
            XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(connection, cookies[i], nullptr));
            *targets[i] = reply ? reply->atom : XCB_ATOM_NONE;
        }
    }

    xcb_get_property_cookie_t property(xcb_window_t window, xcb_atom_t name, xcb_atom_t type, uint32_t longs)
    {
        return xcb_get_property(connection, 0, window, name, type, 0, longs);
    }

    XcbReply<xcb_get_property_reply_t> propertyReply(xcb_get_property_cookie_t cookie, bool *windowExists)
    {
        xcb_generic_error_t *error = nullptr;
        XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection, cookie, &error));
        std::free(error);
        if (reply && windowExists)
            *windowExists = true;
        return reply;
    }

    xcb_window_t activeWindow()
    {
        {
            auto reply = propertyReply(property(root, atomNetActiveWindow, XCB_ATOM_WINDOW, 1), nullptr);
            if (reply && reply->type == XCB_ATOM_WINDOW && reply->format == 32) {
                if (xcb_get_property_value_length(reply.get()) < 4)
                    return XCB_WINDOW_NONE;
                return *static_cast<const xcb_window_t *>(xcb_get_property_value(reply.get()));
            }
        }
        // No EWMH window manager: follow the input focus up to the client window.
        XcbReply<xcb_get_input_focus_reply_t> focus(
            xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
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
            XcbReply<xcb_query_tree_reply_t> tree(
                xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr));
            if (!tree)
                return XCB_WINDOW_NONE;
            if (tree->parent == root)
                topLevel = window;
            window = tree->parent;
        }
        return topLevel;
    }

    QString titleFrom(xcb_window_t window, xcb_get_property_cookie_t cookie, bool *windowExists)
    {
        auto reply = propertyReply(cookie, windowExists);
        if (!reply || reply->type == XCB_ATOM_NONE || reply->format != 8)
            return QString();
        QByteArray bytes(static_cast<const char *>(xcb_get_property_value(reply.get())),
                         xcb_get_property_value_length(reply.get()));
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
