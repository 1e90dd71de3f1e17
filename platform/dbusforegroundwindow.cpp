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
#include <QDBusPendingCallWatcher>
#include <QDBusReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QObject>
#include <QStandardPaths>
#include <QTimer>

namespace {

const QString kService = QStringLiteral("example.vrensk.kesto");
const QString kReportPath = QStringLiteral("/ForegroundWindow");
const QString kKWinService = QStringLiteral("org.kde.KWin");
constexpr int kCallTimeoutMs = 1000;
// Quitting waits this long at most for KWin to drop our script.
constexpr int kExitTimeoutMs = 500;

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
        // Left loaded, the script would go on calling a kesto that is gone.
        if (loaded || loading)
            scripting(QStringLiteral("unloadScript"), {kPluginName}, kExitTimeoutMs);
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
        if (!writeScript()) {
            *whyNot = QStringLiteral("cannot write %1").arg(scriptPath);
            return false;
        }
        // A kesto that crashed may have left its script loaded.
        scripting(QStringLiteral("unloadScript"), {kPluginName}, kCallTimeoutMs);
        const QDBusMessage id = scripting(QStringLiteral("loadScript"), {scriptPath, kPluginName}, kCallTimeoutMs);
        if (!isLoadedReply(id)) {
            *whyNot = QStringLiteral("KWin did not load kesto's script (%1)").arg(id.errorMessage());
            return false;
        }
        loaded = true;
        // Starting runs the script, which reports the window active now.
        scripting(QStringLiteral("start"), {}, kCallTimeoutMs);
        // A KWin that restarts (after a crash, or replaced) knows nothing of
        // the script: it is loaded again, without waiting for KWin.
        auto *watcher = new QDBusServiceWatcher(kKWinService, bus, QDBusServiceWatcher::WatchForOwnerChange, this);
        connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
                [this](const QString &, const QString &, const QString &newOwner) {
                    loaded = loading = false;
                    ++kwinGeneration;
                    Update(QString(), QStringLiteral("0"));
                    if (!newOwner.isEmpty())
                        reload(kwinGeneration, kReloadTries);
                });
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
    static constexpr int kReloadTries = 10;
    static constexpr int kReloadPauseMs = 500;

    static QDBusMessage scriptingCall(const QString &method, const QVariantList &args)
    {
        QDBusMessage call = QDBusMessage::createMethodCall(kKWinService, QStringLiteral("/Scripting"),
                                                           QStringLiteral("org.kde.kwin.Scripting"), method);
        call.setArguments(args);
        return call;
    }

    static QDBusMessage scripting(const QString &method, const QVariantList &args, int timeoutMs)
    {
        return QDBusConnection::sessionBus().call(scriptingCall(method, args), QDBus::Block, timeoutMs);
    }

    static QDBusPendingCall scriptingLater(const QString &method, const QVariantList &args)
    {
        return QDBusConnection::sessionBus().asyncCall(scriptingCall(method, args), kCallTimeoutMs);
    }

    static bool isLoadedReply(const QDBusMessage &reply)
    {
        return reply.type() == QDBusMessage::ReplyMessage && reply.arguments().value(0).toInt() >= 0;
    }

    // KWin loads scripts from files; ours lives in the runtime directory.
    bool writeScript()
    {
        const QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        scriptPath = (dir.isEmpty() ? QDir::tempPath() : dir) + QStringLiteral("/kesto-kwin.js");
        QFile file(scriptPath);
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(kKWinScript) >= 0;
    }

    // KWin may take its name before its scripting is there: a refused
    // script is offered again, a few times.
    void reload(quint64 generation, int triesLeft)
    {
        loading = true;
        writeScript();
        // KWin answers calls in the order they were sent: no need to wait
        // for the first before sending the second.
        scriptingLater(QStringLiteral("unloadScript"), {kPluginName});
        auto *load = new QDBusPendingCallWatcher(scriptingLater(QStringLiteral("loadScript"), {scriptPath, kPluginName}), this);
        connect(load, &QDBusPendingCallWatcher::finished, this, [this, generation, triesLeft](QDBusPendingCallWatcher *call) {
            call->deleteLater();
            if (generation != kwinGeneration)
                return;
            loading = false;
            if (isLoadedReply(call->reply())) {
                loaded = true;
                scriptingLater(QStringLiteral("start"), {});
            } else if (triesLeft > 1) {
                QTimer::singleShot(kReloadPauseMs, this, [this, generation, triesLeft] {
                    if (generation == kwinGeneration)
                        reload(generation, triesLeft - 1);
                });
            }
        });
    }

    QString scriptPath;
    bool ownsName = false;
    bool loaded = false;
    bool loading = false;
    // Counts KWin's comings and goings; a reload for an earlier KWin stops.
    quint64 kwinGeneration = 0;
    QString caption;
    qint64 pid = 0;
};

class GnomeShellForegroundWindow final : public ForegroundWindowSource
{
public:
    GnomeShellForegroundWindow()
    {
        answered = focusedWindow(QDBusConnection::sessionBus().call(focusedWindowCall(), QDBus::Block, kCallTimeoutMs))
                       .has_value();
    }

    // Asked on every tick, so an extension turned on later is used at once.
    std::optional<ForegroundSample> sample() override
    {
        return sampleOfWindow(focusedWindow(QDBusConnection::sessionBus().call(focusedWindowCall(), QDBus::Block, kCallTimeoutMs)));
    }

    void requestSample(SampleCallback done) override
    {
        auto *call = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(focusedWindowCall(), kCallTimeoutMs),
                                                 &calls);
        QObject::connect(call, &QDBusPendingCallWatcher::finished, &calls,
                         [answer = newest.take(std::move(done))](QDBusPendingCallWatcher *reply) {
                             reply->deleteLater();
                             answer(sampleOfWindow(focusedWindow(reply->reply())));
                         });
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
    using FocusedWindow = std::optional<std::pair<QString, qint64>>;

    static QDBusMessage focusedWindowCall()
    {
        return QDBusMessage::createMethodCall(QStringLiteral("org.gnome.Shell"),
                                              QStringLiteral("/example/vrensk/kesto/FocusedWindow"),
                                              QStringLiteral("example.vrensk.kesto.FocusedWindow"), QStringLiteral("Get"));
    }

    // The extension's title and pid; nothing when it did not answer.
    static FocusedWindow focusedWindow(const QDBusMessage &reply)
    {
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 2)
            return std::nullopt;
        return std::make_pair(reply.arguments().at(0).toString(), qint64(reply.arguments().at(1).toUInt()));
    }

    static std::optional<ForegroundSample> sampleOfWindow(const FocusedWindow &window)
    {
        return window ? sampleOf(window->first, window->second) : std::nullopt;
    }

    bool answered = false;
    // Parent of the questions on their way: they end with this backend.
    QObject calls;
    NewestSampleRequest newest;
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
