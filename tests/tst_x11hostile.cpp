// Window titles written by others: huge, broken, odd, and windows that vanish
// while they are read. Runs on an X server without a window manager, so the
// test itself says which window is active.
#include "foregroundwindow.h"
#include "mainwindow.h"
#include "sampler.h"
#include "systembackend.h"
#include "testsupport.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <QSet>
#include <QTest>

#include <xcb/xcb.h>

#include <cstdlib>

using namespace TestSupport;

namespace {

class FakeDesktop
{
public:
    FakeDesktop()
    {
        connection = xcb_connect(nullptr, nullptr);
        root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        activeAtom = atom("_NET_ACTIVE_WINDOW");
        nameAtom = atom("_NET_WM_NAME");
        utf8Atom = atom("UTF8_STRING");
    }
    ~FakeDesktop() { xcb_disconnect(connection); }

    xcb_window_t window()
    {
        const xcb_window_t w = xcb_generate_id(connection);
        xcb_create_window(connection, XCB_COPY_FROM_PARENT, w, root, 0, 0, 10, 10, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_map_window(connection, w);
        return w;
    }
    void setNetName(xcb_window_t w, const QByteArray &bytes)
    {
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, w, nameAtom, utf8Atom, 8, uint32_t(bytes.size()),
                            bytes.constData());
    }
    void setLatin1Name(xcb_window_t w, const QByteArray &bytes)
    {
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                            uint32_t(bytes.size()), bytes.constData());
    }
    void activate(xcb_window_t w)
    {
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, root, activeAtom, XCB_ATOM_WINDOW, 32, 1, &w);
    }
    void destroy(xcb_window_t w) { xcb_destroy_window(connection, w); }
    void flush() { xcb_flush(connection); }
    // Waits until the server has carried out everything sent so far.
    void sync() { std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr)); }

private:
    xcb_atom_t atom(const char *name)
    {
        xcb_intern_atom_reply_t *r =
            xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, uint16_t(qstrlen(name)), name), nullptr);
        const xcb_atom_t a = r ? r->atom : XCB_ATOM_NONE;
        std::free(r);
        return a;
    }
    xcb_connection_t *connection;
    xcb_window_t root;
    xcb_atom_t activeAtom, nameAtom, utf8Atom;
};

int messages = 0;
void countMessages(QtMsgType, const QMessageLogContext &, const QString &)
{
    ++messages;
}

} // namespace

class TestX11Hostile : public QObject
{
    Q_OBJECT

private slots:
    void titles_data();
    void titles();
    void hostileRules_data() { titles_data(); }
    void hostileRules();
    void windowsVanishing();
};

void TestX11Hostile::titles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("latin1");
    QByteArray huge;
    while (huge.size() < 1024 * 1024)
        huge += "title \xf0\x9f\x98\x80 ";
    QTest::newRow("1 MB of UTF-8 with emoji") << huge << false;
    QTest::newRow("invalid UTF-8") << QByteArray("ok \xff\xfe \xc3 \xe6\x9d end \xed\xa0\x80 \xc0\xaf") << false;
    QTest::newRow("control characters and NUL") << QByteArray("a\x01" "b\0c\x7f\td\r\ne\x1b[31m", 17) << false;
    QTest::newRow("right to left") << QByteArray("\xd7\xa2\xd7\x91\xd7\xa8\xd7\x99\xd7\xaa \xe2\x80\x8f abc \xd8\xb9\xd8\xb1\xd8\xa8\xd9\x8a") << false;
    QTest::newRow("emoji") << QByteArray("\xf0\x9f\x91\xa9\xe2\x80\x8d\xf0\x9f\x92\xbb \xf0\x9f\x87\xae\xf0\x9f\x87\xb9") << false;
    QTest::newRow("Latin-1 WM_NAME") << QByteArray("caf\xe9 cr\xe8me \xff") << true;
    QTest::newRow("1 MB Latin-1 WM_NAME") << QByteArray(1024 * 1024, '\xe9') << true;
}

void TestX11Hostile::titles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, latin1);
    const QString expected = truncateForLog(latin1 ? QString::fromLatin1(bytes) : QString::fromUtf8(bytes));

    Sandbox box;
    box.copyTemplate();
    FakeDesktop desktop;
    const xcb_window_t w = desktop.window();
    if (latin1)
        desktop.setLatin1Name(w, bytes);
    else
        desktop.setNetName(w, bytes);
    desktop.activate(w);
    desktop.sync();

    messages = 0;
    const QtMessageHandler previous = qInstallMessageHandler(countMessages);
    std::optional<ForegroundSample> sample;
    {
        MainWindow window;
        sample = foregroundWindowSource()->sample();
        QMetaObject::invokeMethod(&window, "OnTimerPrograms");
    }
    qInstallMessageHandler(previous);
    releaseDefaultConnection();
    QCOMPARE(messages, 0);
    QVERIFY(sample);
    QCOMPARE(sample->title.size(), expected.size());
    QVERIFY(sample->title == expected);
    QCOMPARE(sample->path, QFileInfo("/proc/self/exe").symLinkTarget());

    LogFile log(box.logPath());
    const QString stored = log.value("SELECT AppTitle FROM ApplicationLog").toString();
    QVERIFY(stored == expected);
    desktop.destroy(w);
    desktop.sync();
}

void TestX11Hostile::hostileRules()
{
    // A rule whose expression backtracks without end on any long title: the
    // sample is decided at once, and what the rule could not rule out is
    // hidden.
    QFETCH(QByteArray, bytes);
    QFETCH(bool, latin1);
    const QString expected = truncateForLog(latin1 ? QString::fromLatin1(bytes) : QString::fromUtf8(bytes));
    Sandbox box;
    box.copyTemplate();
    {
        LogFile t(box.work() + "/template.db");
        QVERIFY(t.exec("INSERT INTO Rules (Position, Title, Syntax, Action) VALUES (0, '(.+)+$(?!)', 'regex', "
                       "'hide-title')"));
    }
    FakeDesktop desktop;
    const xcb_window_t w = desktop.window();
    if (latin1)
        desktop.setLatin1Name(w, bytes);
    else
        desktop.setNetName(w, bytes);
    desktop.activate(w);
    desktop.sync();
    {
        MainWindow window;
        QMetaObject::invokeMethod(&window, "OnTimerPrograms");
    }
    releaseDefaultConnection();
    LogFile log(box.logPath());
    const QString stored = log.value("SELECT AppTitle FROM ApplicationLog").toString();
    if (expected.size() > 100)
        QCOMPARE(stored, Sampler::hiddenTitle());
    else
        QVERIFY(stored == Sampler::hiddenTitle() || stored == expected);
    desktop.destroy(w);
    desktop.sync();
}

void TestX11Hostile::windowsVanishing()
{
    Sandbox box;
    box.copyTemplate();
    FakeDesktop desktop;
    QRandomGenerator rng(5);
    QSet<QString> alive;
    QSet<QString> goneBefore;
    QSet<QString> goneDuring;
    messages = 0;
    const QtMessageHandler previous = qInstallMessageHandler(countMessages);
    {
        MainWindow window;
        for (int tick = 0; tick < 1000; ++tick) {
            const xcb_window_t w = desktop.window();
            const QString title = QStringLiteral("window %1").arg(tick);
            desktop.setNetName(w, title.toUtf8());
            desktop.activate(w);
            // Gone before the sampler asks, or while its requests are on the way.
            const int when = int(rng.bounded(3));
            if (when == 0) {
                desktop.destroy(w);
                desktop.sync();
                goneBefore.insert(title);
            } else if (when == 1) {
                desktop.sync();
                desktop.destroy(w); // sent, and carried out while the sampler's requests come in
                desktop.flush();
                goneDuring.insert(title);
            } else {
                desktop.sync();
                alive.insert(title);
            }
            QMetaObject::invokeMethod(&window, "OnTimerPrograms");
            if (when == 2)
                desktop.destroy(w);
        }
    }
    qInstallMessageHandler(previous);
    releaseDefaultConnection();
    QCOMPARE(messages, 0);

    LogFile log(box.logPath());
    // Every window still there when asked is recorded, none that was gone
    // already. One destroyed while the requests are on their way may be
    // either: the server may carry out the destruction before or after them.
    QSet<QString> recorded;
    for (const QVariantList &row : log.rows("SELECT AppTitle FROM ApplicationLog")) {
        const QString title = row[0].toString();
        QVERIFY2(alive.contains(title) || goneDuring.contains(title), qPrintable(title));
        recorded.insert(title);
    }
    QVERIFY(recorded.contains(alive));
    qInfo("%d windows: %d alive when sampled, %d gone before, %d gone during; %d recorded", 1000, int(alive.size()),
          int(goneBefore.size()), int(goneDuring.size()), int(recorded.size()));
}

QTEST_MAIN(TestX11Hostile)
#include "tst_x11hostile.moc"
