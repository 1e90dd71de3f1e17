// kesto-slow-shell: a GNOME Shell whose kesto extension is on but slow, to
// measure how kesto's interface copes with a desktop that keeps it waiting.
// It owns org.gnome.Shell on the session bus (use a private one) and answers
// the extension's question after a delay, naming its own process and the
// title given. Prints "ready" once the name is its own.
//   dbus-run-session -- sh -c 'build/bench/kesto-slow-shell --delay 500 & ...'
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QTimer>

#include <cstdio>

#include <unistd.h>

namespace {

class Shell : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.Shell")
    Q_PROPERTY(QString ShellVersion READ shellVersion)

public:
    QString shellVersion() const { return QStringLiteral("43.9"); }
};

class FocusedWindow : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "example.vrensk.kesto.FocusedWindow")

public:
    FocusedWindow(const QString &title, int delayMs) : title(title), delayMs(delayMs) {}

public slots:
    // Each question gets its own timer: a second one need not wait for the first.
    QString Get(uint &pid)
    {
        pid = uint(::getpid());
        setDelayedReply(true);
        const QDBusMessage reply = message().createReply({title, pid});
        QTimer::singleShot(delayMs, this, [bus = connection(), reply] { bus.send(reply); });
        return title;
    }

private:
    QString title;
    int delayMs;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser options;
    options.addHelpOption();
    options.addOption({QStringLiteral("delay"), QStringLiteral("Milliseconds before each answer."),
                       QStringLiteral("ms"), QStringLiteral("500")});
    options.addOption({QStringLiteral("title"), QStringLiteral("The title of the window in front."),
                       QStringLiteral("text"), QStringLiteral("Slow shell")});
    options.process(app);

    QDBusConnection bus = QDBusConnection::sessionBus();
    Shell shell;
    FocusedWindow window(options.value(QStringLiteral("title")), options.value(QStringLiteral("delay")).toInt());
    if (!bus.registerObject(QStringLiteral("/org/gnome/Shell"), &shell, QDBusConnection::ExportAllProperties)
        || !bus.registerObject(QStringLiteral("/example/vrensk/kesto/FocusedWindow"), &window,
                               QDBusConnection::ExportAllSlots)
        || !bus.registerService(QStringLiteral("org.gnome.Shell"))) {
        std::fprintf(stderr, "kesto-slow-shell: cannot own org.gnome.Shell on the session bus\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}

#include "slowshell.moc"
