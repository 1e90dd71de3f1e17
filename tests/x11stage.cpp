#include "x11stage.h"

#include <QFile>
#include <QList>

#include <cstdlib>
#include <malloc.h>

namespace {

const QByteArray kUtf8Title = "\xd0\x9f\xd0\xb8\xd1\x81\xd1\x8c\xd0\xbc\xd0\xbe \xe2\x80\x94 caf\xc3\xa9 \xf0\x9f\x98\x80";
const QByteArray kLatin1Title = "caf\xe9 cr\xe8me br\xfbl\xe9" "e";
// Compound text starts in ISO 8859-1; an escape switches its right half to
// ISO 8859-7 (Greek) for the last word.
const QByteArray kCompoundTitle = "caf\xe9 \x1b-F\xe1\xe2\xe3";

} // namespace

QString X11Stage::kindName(Kind kind)
{
    switch (kind) {
    case Kind::Utf8NetName:
        return QStringLiteral("UTF-8 _NET_WM_NAME");
    case Kind::Latin1WmName:
        return QStringLiteral("Latin-1 WM_NAME only");
    case Kind::CompoundTextWmName:
        return QStringLiteral("COMPOUND_TEXT WM_NAME");
    case Kind::Vanishing:
        return QStringLiteral("windows vanishing between requests");
    }
    return QString();
}

QString X11Stage::expectedTitle(Kind kind)
{
    switch (kind) {
    case Kind::Utf8NetName:
    case Kind::Vanishing:
        return QString::fromUtf8(kUtf8Title);
    case Kind::Latin1WmName:
        return QString::fromLatin1(kLatin1Title);
    case Kind::CompoundTextWmName:
        return QStringLiteral("caf\u00e9 \u03b1\u03b2\u03b3");
    }
    return QString();
}

X11Stage::X11Stage()
    : connection(xcb_connect(nullptr, nullptr))
{
    root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    activeAtom = atom("_NET_ACTIVE_WINDOW");
    nameAtom = atom("_NET_WM_NAME");
    utf8Atom = atom("UTF8_STRING");
    compoundAtom = atom("COMPOUND_TEXT");
}

X11Stage::~X11Stage()
{
    xcb_disconnect(connection);
}

xcb_atom_t X11Stage::atom(const char *name)
{
    xcb_intern_atom_reply_t *r =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, uint16_t(qstrlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : XCB_ATOM_NONE;
    std::free(r);
    return a;
}

xcb_window_t X11Stage::window()
{
    const xcb_window_t w = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, w, root, 0, 0, 10, 10, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_map_window(connection, w);
    return w;
}

void X11Stage::setNetName(xcb_window_t w, const QByteArray &utf8)
{
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, w, nameAtom, utf8Atom, 8, uint32_t(utf8.size()),
                        utf8.constData());
}

void X11Stage::setWmName(xcb_window_t w, const QByteArray &bytes, bool compoundText)
{
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NAME,
                        compoundText ? compoundAtom : XCB_ATOM_STRING, 8, uint32_t(bytes.size()), bytes.constData());
}

void X11Stage::activate(xcb_window_t w)
{
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, root, activeAtom, XCB_ATOM_WINDOW, 32, 1, &w);
}

void X11Stage::destroy(xcb_window_t w)
{
    xcb_destroy_window(connection, w);
}

void X11Stage::sync()
{
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

void X11Stage::forceScreenSaver(bool on)
{
    if (on)
        xcb_set_screen_saver(connection, 600, 600, XCB_BLANKING_PREFERRED, XCB_EXPOSURES_ALLOWED);
    xcb_force_screen_saver(connection, on ? XCB_SCREEN_SAVER_ACTIVE : XCB_SCREEN_SAVER_RESET);
    sync();
}

void X11Stage::stage(Kind kind)
{
    if (staged != XCB_WINDOW_NONE && kind == stagedKind && kind != Kind::Vanishing)
        return;
    if (staged != XCB_WINDOW_NONE)
        destroy(staged);
    staged = window();
    stagedKind = kind;
    switch (kind) {
    case Kind::Utf8NetName:
    case Kind::Vanishing:
        // Qt and GTK windows carry both names.
        setNetName(staged, kUtf8Title);
        setWmName(staged, "fallback", false);
        break;
    case Kind::Latin1WmName:
        setWmName(staged, kLatin1Title, false);
        break;
    case Kind::CompoundTextWmName:
        setWmName(staged, kCompoundTitle, true);
        break;
    }
    activate(staged);
    sync();
    if (kind == Kind::Vanishing) {
        // Carried out while the sampler's requests come in.
        destroy(staged);
        flush();
        staged = XCB_WINDOW_NONE;
    }
}

void X11Stage::unstage(Kind kind)
{
    Q_UNUSED(kind);
    if (staged != XCB_WINDOW_NONE) {
        destroy(staged);
        sync();
        staged = XCB_WINDOW_NONE;
    }
}

X11Stage::Growth X11Stage::growthMb(Kind kind, const std::function<void()> &sample, int warmUp, int samples)
{
    for (int i = 0; i < warmUp; ++i) {
        stage(kind);
        sample();
    }
    // Readings at every tenth of the run. A passing backlog (events not yet
    // handled, writes not yet made) raises a reading now and then; what is
    // kept for good raises them all. The least of the last few against the
    // least of the first few counts only the latter.
    QList<Growth> readings{{residentMb(), heapInUseMb()}};
    for (int i = 1; i <= samples; ++i) {
        stage(kind);
        sample();
        if (i % qMax(1, samples / 10) == 0)
            readings.append({residentMb(), heapInUseMb()});
    }
    unstage(kind);
    const auto least = [](const QList<Growth> &some, double Growth::*member) {
        double value = some.first().*member;
        for (const Growth &g : some)
            value = qMin(value, g.*member);
        return value;
    };
    const QList<Growth> first = readings.mid(0, 3);
    const QList<Growth> last = readings.mid(readings.size() - 3);
    return {least(last, &Growth::residentMb) - least(first, &Growth::residentMb),
            least(last, &Growth::heapMb) - least(first, &Growth::heapMb)};
}

double residentMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return -1;
}

double heapInUseMb()
{
    const struct mallinfo2 info = mallinfo2();
    return double(info.uordblks + info.hblkhd) / (1024.0 * 1024.0);
}
