// Foreground window on desktops that tell it only from inside the
// compositor: KDE Plasma (a KWin script of ours reports it to us) and GNOME
// Shell (an extension of ours answers when asked). Both over the session bus.
#include "foregroundwindow.h"
#include "kwin_script.h"
#include "linuxbackends.h"
#include "x11titles.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QObject>
#include <QStandardPaths>

namespace {

const QString kService = QStringLiteral("example.vrensk.kesto");
const QString kReportPath = QStringLiteral("/ForegroundWindow");
constexpr int kCallTimeoutMs = 1000;

std::optional<ForegroundSample> sampleOf(const QString &title, qint64 pid)
{
    if (title.isEmpty() || pid <= 0)
        return std::nullopt;
    const QString path = X11Titles::executableOfProcess(pid);
    if (path.isEmpty())
        return std::nullopt;
    return ForegroundSample{truncateForLog(title), truncateForLog(path)};
}

bool hasService(const QDBusConnection &bus, const QString &name)
{
    return bus.isConnected() && bus.interface() && bus.interface()->isServiceRegistered(name).value();
}

class KWinForegroundWindow final : public QObject, public ForegroundWindowSource
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "example.vrensk.kesto.ForegroundWindow")

public:
    ~KWinForegroundWindow() override
    {
        if (loaded)
            scripting(QStringLiteral("unloadScript"), {kPluginName});
        if (!scriptPath.isEmpty())
            QFile::remove(scriptPath);
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.unregisterObject(kReportPath);
        if (ownsName)
            bus.unregisterService(kService);
    }

    bool start(QString *whyNot)
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        ownsName = bus.registerService(kService);
        if (!ownsName || !bus.registerObject(kReportPath, this, QDBusConnection::ExportAllSlots)) {
            *whyNot = QStringLiteral("the name %1 on the session bus is taken").arg(kService);
            return false;
        }
        // KWin loads scripts from files; ours lives in the runtime directory.
        const QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        scriptPath = (dir.isEmpty() ? QDir::tempPath() : dir) + QStringLiteral("/kesto-kwin.js");
        QFile file(scriptPath);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(kKWinScript) < 0) {
            *whyNot = QStringLiteral("cannot write %1").arg(scriptPath);
            return false;
        }
        file.close();
        // A kesto that crashed may have left its script loaded.
        scripting(QStringLiteral("unloadScript"), {kPluginName});
        const QDBusMessage id = scripting(QStringLiteral("loadScript"), {scriptPath, kPluginName});
        if (id.type() != QDBusMessage::ReplyMessage || id.arguments().value(0).toInt() < 0) {
            *whyNot = QStringLiteral("KWin did not load kesto's script (%1)").arg(id.errorMessage());
            return false;
        }
        loaded = true;
        // Starting runs the script, which reports the window active now.
        scripting(QStringLiteral("start"), {});
        return true;
    }

    std::optional<ForegroundSample> sample() override
    {
        // The reports arrive as D-Bus calls, handled between ticks.
        return sampleOf(caption, pid);
    }

public slots:
    // Called by the script on every activation and caption change; an empty
    // caption and pid 0 when no window is active.
    void Update(const QString &newCaption, const QString &newPid)
    {
        caption = newCaption;
        pid = newPid.toLongLong();
    }

private:
    static inline const QString kPluginName = QStringLiteral("kesto");

    QDBusMessage scripting(const QString &method, const QVariantList &args)
    {
        QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.kde.KWin"), QStringLiteral("/Scripting"),
                                                           QStringLiteral("org.kde.kwin.Scripting"), method);
        call.setArguments(args);
        return QDBusConnection::sessionBus().call(call, QDBus::Block, kCallTimeoutMs);
    }

    QString scriptPath;
    bool ownsName = false;
    bool loaded = false;
    QString caption;
    qint64 pid = 0;
};

class GnomeShellForegroundWindow final : public ForegroundWindowSource
{
public:
    GnomeShellForegroundWindow() { answered = ask().has_value(); }

    std::optional<ForegroundSample> sample() override
    {
        // Asked on every tick, so an extension turned on later is used at once.
        const auto answer = ask();
        if (!answer)
            return std::nullopt;
        return sampleOf(answer->first, answer->second);
    }

    bool isAvailable() const override { return answered; }

    QString unavailableReason() const override
    {
        // GNOME 45 changed the form of extensions; each form has its own.
        const QDBusMessage version = QDBusConnection::sessionBus().call(
            QDBusMessage::createMethodCall(QStringLiteral("org.gnome.Shell"), QStringLiteral("/org/gnome/Shell"),
                                           QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"))
                << QStringLiteral("org.gnome.Shell") << QStringLiteral("ShellVersion"),
            QDBus::Block, kCallTimeoutMs);
        const int major = qvariant_cast<QDBusVariant>(version.arguments().value(0)).variant().toString()
                              .section(QLatin1Char('.'), 0, 0).toInt();
        const QString uuid = major > 0 && major < 45 ? QStringLiteral("kesto-gnome43@vrensk.example")
                                                      : QStringLiteral("kesto@vrensk.example");
        return QCoreApplication::translate(
                   "ForegroundWindowSource",
                   "To log programs on GNOME, turn on kesto's GNOME Shell extension: %1 "
                   "(if GNOME does not know it yet, log out and in first). kesto starts logging as soon as it is on.")
            .arg(QStringLiteral("gnome-extensions enable ") + uuid);
    }

private:
    static std::optional<std::pair<QString, qint64>> ask()
    {
        const QDBusMessage reply = QDBusConnection::sessionBus().call(
            QDBusMessage::createMethodCall(QStringLiteral("org.gnome.Shell"),
                                           QStringLiteral("/example/vrensk/kesto/FocusedWindow"),
                                           QStringLiteral("example.vrensk.kesto.FocusedWindow"), QStringLiteral("Get")),
            QDBus::Block, kCallTimeoutMs);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 2)
            return std::nullopt;
        return std::make_pair(reply.arguments().at(0).toString(), qint64(reply.arguments().at(1).toUInt()));
    }

    bool answered = false;
};

} // namespace

ForegroundWindowSource *createDesktopShellForegroundWindow(QString *whyNot)
{
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (hasService(bus, QStringLiteral("org.kde.KWin"))) {
        auto kwin = std::make_unique<KWinForegroundWindow>();
        if (kwin->start(whyNot))
            return kwin.release();
        return nullptr;
    }
    if (hasService(bus, QStringLiteral("org.gnome.Shell")))
        return new GnomeShellForegroundWindow;
    *whyNot = bus.isConnected() ? QStringLiteral("neither KWin nor GNOME Shell is on the session bus")
                                : QStringLiteral("no session bus");
    return nullptr;
}

#include "dbusforegroundwindow.moc"
