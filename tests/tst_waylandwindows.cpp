// How the Wayland backend traces a window to its program: compositor
// replies, desktop entries, and stand-ins for sway's and Hyprland's sockets.
#include "waylandwindows.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <chrono>
#include <memory>
#include <thread>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace WaylandWindows;

class TestWaylandWindows : public QObject
{
    Q_OBJECT

private slots:
    void compositorReplies_data();
    void compositorReplies();
    void desktopEntries_data();
    void desktopEntries();
    void appIdsToPrograms();
    void hyprlandSocket();
    void socketsAskedLater_data();
    void socketsAskedLater();
};

void TestWaylandWindows::compositorReplies_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("title");
    QTest::addColumn<qint64>("pid");
    const QByteArray tree = R"({"nodes":[{"name":"1","nodes":[
        {"name":"other","pid":11,"focused":false},
        {"name":"Grüße","pid":42,"focused":true}]}],
        "floating_nodes":[]})";
    QTest::newRow("sway, focused window") << tree << QString::fromUtf8("Grüße") << qint64(42);
    QTest::newRow("sway, title not yet the same") << tree << "other" << qint64(0);
    QTest::newRow("sway, focus on a floating window")
        << QByteArray(R"({"nodes":[{"nodes":[],"floating_nodes":[{"name":"f","pid":7,"focused":true}]}]})")
        << "f" << qint64(7);
    QTest::newRow("sway, a workspace has the focus")
        << QByteArray(R"({"nodes":[{"name":"1","focused":true,"nodes":[]}]})") << "1" << qint64(0);
    QTest::newRow("broken reply") << QByteArray("{\"nodes\": [") << "x" << qint64(0);
}

void TestWaylandWindows::compositorReplies()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, title);
    QFETCH(qint64, pid);
    QCOMPARE(focusedPidInSwayTree(json, title), pid);
    QCOMPARE(pidInHyprlandWindow(R"({"title":"Grüße","pid":42})", QString::fromUtf8("Grüße")), qint64(42));
    QCOMPARE(pidInHyprlandWindow(R"({"title":"a","pid":42})", "b"), qint64(0));
    QCOMPARE(pidInHyprlandWindow("Invalid", "b"), qint64(0));
}

void TestWaylandWindows::desktopEntries_data()
{
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<QString>("program");
    QTest::newRow("plain") << QByteArray("[Desktop Entry]\nName=Foot\nExec=foot %U\n") << "foot";
    QTest::newRow("TryExec first") << QByteArray("[Desktop Entry]\nExec=sh -c x\nTryExec=/opt/a/b\n") << "/opt/a/b";
    QTest::newRow("quoted path") << QByteArray("[Desktop Entry]\nExec=\"/opt/My App/run\" --x\n") << "/opt/My App/run";
    QTest::newRow("env prefix") << QByteArray("[Desktop Entry]\nExec=env GDK_BACKEND=x11 LANG=C gimp %f\n") << "gimp";
    QTest::newRow("other groups ignored")
        << QByteArray("[Desktop Action new]\nExec=wrong\n[Desktop Entry]\nExec=right\n") << "right";
    QTest::newRow("no Exec") << QByteArray("[Desktop Entry]\nName=x\n") << QString();
}

void TestWaylandWindows::desktopEntries()
{
    QFETCH(QByteArray, entry);
    QFETCH(QString, program);
    QCOMPARE(programOfDesktopEntry(entry), program);
}

void TestWaylandWindows::appIdsToPrograms()
{
    QTemporaryDir dir;
    const QString apps = dir.path() + "/applications";
    QVERIFY(QDir().mkpath(apps));
    const auto write = [&](const QString &name, const QByteArray &exec) {
        QFile f(apps + "/" + name + ".desktop");
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[Desktop Entry]\nType=Application\nExec=" + exec + "\n");
    };
    write("org.example.Found", "sh -c true");
    write("lower", "/bin/sh");
    write("missing", "kesto-no-such-program-anywhere");
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.path()));
    const QString sh = QFileInfo("/bin/sh").canonicalFilePath();
    QCOMPARE(executableForAppId("org.example.Found"), sh);
    QCOMPARE(executableForAppId("Lower"), sh);
    // Nothing found is nothing recorded, never a guessed path.
    QVERIFY(executableForAppId("missing").isEmpty());
    QVERIFY(executableForAppId("org.example.Absent").isEmpty());
    QVERIFY(executableForAppId("../applications/lower").isEmpty());
    QVERIFY(executableForAppId("").isEmpty());
    qunsetenv("XDG_DATA_HOME");
}

void TestWaylandWindows::hyprlandSocket()
{
    QTemporaryDir runtime;
    QVERIFY(QDir().mkpath(runtime.path() + "/hypr/sig"));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    const QByteArray path = QFile::encodeName(runtime.path() + "/hypr/sig/.socket.sock");
    const int server = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, path.constData(), sizeof address.sun_path);
    QVERIFY(::bind(server, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0);
    QVERIFY(::listen(server, 1) == 0);
    // A stand-in that answers once and hangs up, as Hyprland does.
    QByteArray asked(64, '\0');
    std::thread answer([&] {
        const int client = ::accept(server, nullptr, nullptr);
        asked.truncate(qMax<ssize_t>(0, ::read(client, asked.data(), size_t(asked.size()))));
        const char reply[] = R"({"title":"t","pid":99})";
        (void)!::write(client, reply, sizeof reply - 1);
        ::close(client);
    });
    const QByteArray reply = hyprlandActiveWindow("sig");
    answer.join();
    ::close(server);
    QCOMPARE(asked, QByteArray("j/activewindow"));
    QCOMPARE(pidInHyprlandWindow(reply, "t"), qint64(99));
    QVERIFY(hyprlandActiveWindow("../sig").isEmpty());
    QVERIFY(hyprlandActiveWindow("absent").isEmpty());
}

void TestWaylandWindows::socketsAskedLater_data()
{
    QTest::addColumn<bool>("sway");
    QTest::addColumn<QByteArrayList>("parts");
    QTest::addColumn<qint64>("pid");
    const QByteArray tree = R"({"nodes":[{"name":"t","pid":42,"focused":true}]})";
    QByteArray framed("i3-ipc");
    const quint32 header[2] = {qToLittleEndian<quint32>(quint32(tree.size())), qToLittleEndian<quint32>(4)};
    framed.append(reinterpret_cast<const char *>(header), sizeof header).append(tree);
    // sway keeps the connection open: the reply's length says when it is whole.
    QTest::newRow("sway, reply in two parts") << true << QByteArrayList{framed.left(20), framed.mid(20)} << qint64(42);
    QTest::newRow("sway, never answers") << true << QByteArrayList{} << qint64(0);
    QTest::newRow("hyprland, answers and hangs up") << false << QByteArrayList{R"({"title":"t","pid":99})"} << qint64(99);
}

void TestWaylandWindows::socketsAskedLater()
{
    QFETCH(bool, sway);
    QFETCH(QByteArrayList, parts);
    QFETCH(qint64, pid);
    QTemporaryDir runtime;
    QVERIFY(QDir().mkpath(runtime.path() + "/hypr/sig"));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    const QString path = runtime.path() + (sway ? "/sway-ipc.sock" : "/hypr/sig/.socket.sock");
    const int server = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof address.sun_path);
    QVERIFY(::bind(server, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0);
    QVERIFY(::listen(server, 1) == 0);
    // A compositor busy for half a second, then answering in parts; without
    // parts it never answers and waits for the asker to give up.
    std::thread compositor([&] {
        const int client = ::accept(server, nullptr, nullptr);
        char request[64];
        (void)!::read(client, request, sizeof request);
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        for (const QByteArray &part : parts) {
            (void)!::write(client, part.constData(), size_t(part.size()));
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (parts.isEmpty() || sway)
            while (::read(client, request, sizeof request) > 0) {
            }
        ::close(client);
    });

    auto reply = std::make_shared<std::optional<QByteArray>>();
    auto context = std::make_unique<QObject>();
    const auto done = [reply](const QByteArray &r) { *reply = r; };
    if (sway)
        swayTreeLater(path, context.get(), done);
    else
        hyprlandActiveWindowLater("sig", context.get(), done);
    const bool returnedFirst = !reply->has_value();
    (void)QTest::qWaitFor([&] { return reply->has_value(); }, 5000);
    // Whatever is still open closes with its context.
    context.reset();
    compositor.join();
    ::close(server);
    qunsetenv("XDG_RUNTIME_DIR");
    QVERIFY(returnedFirst);
    QVERIFY(reply->has_value());
    QCOMPARE(sway ? focusedPidInSwayTree(**reply, "t") : pidInHyprlandWindow(**reply, "t"), pid);
}

QTEST_GUILESS_MAIN(TestWaylandWindows)
#include "tst_waylandwindows.moc"
