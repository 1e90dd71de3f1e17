#include "waylandwindows.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTimer>
#include <QtEndian>

#include <functional>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace WaylandWindows {

namespace {

// The compositor answers at once; a hung one must not hang the sampler.
constexpr int kSocketTimeoutMs = 500;
// Waiting in the event loop holds nobody: a busy compositor gets longer.
constexpr int kLaterTimeoutMs = 1000;
// A tree of hundreds of windows is well below this.
constexpr qsizetype kMaxReply = 16 * 1024 * 1024;

qint64 pidIfTitled(const QJsonObject &window, const QString &title)
{
    if (window.value(QLatin1String("name")).toString() != title && window.value(QLatin1String("title")).toString() != title)
        return 0;
    return window.value(QLatin1String("pid")).toVariant().toLongLong();
}

bool findFocused(const QJsonObject &node, QJsonObject *found)
{
    if (node.value(QLatin1String("focused")).toBool() && node.contains(QLatin1String("pid"))) {
        *found = node;
        return true;
    }
    for (const char *key : {"nodes", "floating_nodes"}) {
        const QJsonArray children = node.value(QLatin1String(key)).toArray();
        for (const QJsonValue &child : children)
            if (findFocused(child.toObject(), found))
                return true;
    }
    return false;
}

// Sends a request over a Unix socket and reads until `complete` says the
// reply is whole (or the peer closes); empty on failure or timeout.
QByteArray exchange(const QString &path, const QByteArray &request,
                    const std::function<bool(const QByteArray &)> &complete)
{
    const QByteArray encoded = QFile::encodeName(path);
    sockaddr_un address{};
    if (encoded.isEmpty() || encoded.size() >= qsizetype(sizeof address.sun_path))
        return QByteArray();
    address.sun_family = AF_UNIX;
    memcpy(address.sun_path, encoded.constData(), size_t(encoded.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return QByteArray();
    QByteArray reply;
    bool ok = ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    for (qsizetype sent = 0; ok && sent < request.size();) {
        const ssize_t n = ::send(fd, request.constData() + sent, size_t(request.size() - sent), MSG_NOSIGNAL);
        ok = n > 0;
        sent += n;
    }
    while (ok && !complete(reply)) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, kSocketTimeoutMs) <= 0) {
            ok = false;
            break;
        }
        char buffer[65536];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        reply.append(buffer, n);
        ok = reply.size() <= kMaxReply;
    }
    ::close(fd);
    return ok ? reply : QByteArray();
}

// One exchange of exchangeLater's, living until its reply is whole, the
// peer closes, something fails, or time is up.
class PendingExchange final : public QObject
{
public:
    PendingExchange(const QString &path, const QByteArray &request, std::function<bool(const QByteArray &)> complete,
                    ReplyCallback done, QObject *context)
        : QObject(context)
        , complete(std::move(complete))
        , done(std::move(done))
    {
        connect(&socket, &QLocalSocket::connected, this, [this, request] { socket.write(request); });
        connect(&socket, &QLocalSocket::readyRead, this, [this] { read(); });
        connect(&socket, &QLocalSocket::disconnected, this, [this] { closed(); });
        connect(&socket, &QLocalSocket::errorOccurred, this, [this](QLocalSocket::LocalSocketError error) {
            if (error == QLocalSocket::PeerClosedError)
                closed();
            else
                finish(false);
        });
        QTimer::singleShot(kLaterTimeoutMs, this, [this] { finish(false); });
        socket.connectToServer(path);
    }

private:
    void read()
    {
        reply += socket.readAll();
        if (reply.size() > kMaxReply)
            finish(false);
        else if (this->complete(reply))
            finish(true);
    }

    // What came before the peer hung up is its reply.
    void closed()
    {
        if (!finished)
            reply += socket.readAll();
        finish(true);
    }

    void finish(bool ok)
    {
        if (finished)
            return;
        finished = true;
        deleteLater();
        done(ok ? reply : QByteArray());
    }

    QLocalSocket socket;
    std::function<bool(const QByteArray &)> complete;
    ReplyCallback done;
    QByteArray reply;
    bool finished = false;
};

// i3-ipc framing: magic, payload length, message type (4 = GET_TREE).
constexpr qsizetype kSwayHeaderSize = 14;

QByteArray swayTreeRequest()
{
    QByteArray request("i3-ipc");
    const quint32 header[2] = {qToLittleEndian<quint32>(0), qToLittleEndian<quint32>(4)};
    request.append(reinterpret_cast<const char *>(header), sizeof header);
    return request;
}

bool swayReplyComplete(const QByteArray &reply)
{
    if (reply.size() < kSwayHeaderSize)
        return false;
    const quint32 length = qFromLittleEndian<quint32>(reply.constData() + 6);
    return reply.size() >= kSwayHeaderSize + qsizetype(length);
}

QByteArray swayPayload(const QByteArray &reply)
{
    if (reply.size() < kSwayHeaderSize || !reply.startsWith("i3-ipc"))
        return QByteArray();
    return reply.mid(kSwayHeaderSize, qsizetype(qFromLittleEndian<quint32>(reply.constData() + 6)));
}

// Newer releases keep the socket in the runtime directory, older ones in
// /tmp; empty when neither has one.
QString hyprlandSocket(const QString &instanceSignature)
{
    if (instanceSignature.isEmpty() || instanceSignature.contains(QLatin1Char('/')))
        return QString();
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    QStringList candidates;
    if (!runtime.isEmpty())
        candidates << runtime + QLatin1String("/hypr/") + instanceSignature + QLatin1String("/.socket.sock");
    candidates << QLatin1String("/tmp/hypr/") + instanceSignature + QLatin1String("/.socket.sock");
    for (const QString &path : candidates)
        if (QFileInfo::exists(path))
            return path;
    return QString();
}

// Hyprland closes the connection after its answer.
bool untilClosed(const QByteArray &)
{
    return false;
}

QString unescapeDesktopValue(const QByteArray &raw)
{
    const QString value = QString::fromUtf8(raw).trimmed();
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value.at(i) == QLatin1Char('\\') && i + 1 < value.size()) {
            const QChar next = value.at(++i);
            if (next == QLatin1Char('s'))
                out += QLatin1Char(' ');
            else if (next == QLatin1Char('t'))
                out += QLatin1Char('\t');
            else if (next == QLatin1Char('n'))
                out += QLatin1Char('\n');
            else if (next == QLatin1Char('r'))
                out += QLatin1Char('\r');
            else
                out += QLatin1Char('\\') + QString(next);
        } else {
            out += value.at(i);
        }
    }
    return out;
}

// Exec's words: blanks separate them, double quotes group them with
// backslash escapes inside.
QStringList execWords(const QString &exec)
{
    QStringList words;
    QString word;
    bool inWord = false;
    bool quoted = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (quoted) {
            if (c == QLatin1Char('\\') && i + 1 < exec.size())
                word += exec.at(++i);
            else if (c == QLatin1Char('"'))
                quoted = false;
            else
                word += c;
        } else if (c == QLatin1Char('"')) {
            quoted = inWord = true;
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
            if (inWord)
                words << word;
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words << word;
    return words;
}

QString findProgram(const QString &program)
{
    if (program.isEmpty())
        return QString();
    QString found;
    if (program.contains(QLatin1Char('/'))) {
        const QFileInfo info(program);
        if (info.isAbsolute() && info.isFile() && info.isExecutable())
            found = program;
    } else {
        found = QStandardPaths::findExecutable(program);
    }
    return found.isEmpty() ? QString() : QFileInfo(found).canonicalFilePath();
}

} // namespace

qint64 focusedPidInSwayTree(const QByteArray &json, const QString &title)
{
    QJsonObject focused;
    if (!findFocused(QJsonDocument::fromJson(json).object(), &focused))
        return 0;
    return pidIfTitled(focused, title);
}

qint64 pidInHyprlandWindow(const QByteArray &json, const QString &title)
{
    return pidIfTitled(QJsonDocument::fromJson(json).object(), title);
}

QByteArray swayTree(const QString &socketPath)
{
    return swayPayload(exchange(socketPath, swayTreeRequest(), swayReplyComplete));
}

QByteArray hyprlandActiveWindow(const QString &instanceSignature)
{
    const QString path = hyprlandSocket(instanceSignature);
    return path.isEmpty() ? QByteArray() : exchange(path, QByteArrayLiteral("j/activewindow"), untilClosed);
}

void swayTreeLater(const QString &socketPath, QObject *context, ReplyCallback done)
{
    new PendingExchange(socketPath, swayTreeRequest(), swayReplyComplete,
                        [done = std::move(done)](const QByteArray &reply) { done(swayPayload(reply)); }, context);
}

void hyprlandActiveWindowLater(const QString &instanceSignature, QObject *context, ReplyCallback done)
{
    const QString path = hyprlandSocket(instanceSignature);
    if (path.isEmpty())
        done(QByteArray());
    else
        new PendingExchange(path, QByteArrayLiteral("j/activewindow"), untilClosed, std::move(done), context);
}

QString programOfDesktopEntry(const QByteArray &contents)
{
    QString tryExec;
    QString exec;
    bool inEntry = false;
    for (const QByteArray &rawLine : contents.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (line.startsWith('[')) {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        if (!inEntry || line.startsWith('#'))
            continue;
        const qsizetype eq = line.indexOf('=');
        if (eq < 0)
            continue;
        const QByteArray key = line.left(eq).trimmed();
        if (key == "TryExec")
            tryExec = unescapeDesktopValue(line.mid(eq + 1));
        else if (key == "Exec")
            exec = unescapeDesktopValue(line.mid(eq + 1));
    }
    if (!tryExec.isEmpty())
        return tryExec;
    QStringList words = execWords(exec);
    if (!words.isEmpty() && (words.first() == QLatin1String("env") || words.first().endsWith(QLatin1String("/env")))) {
        words.removeFirst();
        while (!words.isEmpty() && (words.first().contains(QLatin1Char('=')) || words.first().startsWith(QLatin1Char('-'))))
            words.removeFirst();
    }
    return words.value(0);
}

QStringList applicationDirs()
{
    QString home = qEnvironmentVariable("XDG_DATA_HOME");
    if (home.isEmpty())
        home = QDir::homePath() + QLatin1String("/.local/share");
    QString system = qEnvironmentVariable("XDG_DATA_DIRS");
    if (system.isEmpty())
        system = QStringLiteral("/usr/local/share:/usr/share");
    QStringList dirs{home + QLatin1String("/applications")};
    for (const QString &dir : system.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        dirs << dir + QLatin1String("/applications");
    return dirs;
}

QString executableForAppId(const QString &appId)
{
    if (appId.isEmpty() || appId.contains(QLatin1Char('/')) || appId.startsWith(QLatin1Char('.')))
        return QString();
    QStringList names{appId + QLatin1String(".desktop")};
    if (appId.toLower() != appId)
        names << appId.toLower() + QLatin1String(".desktop");
    for (const QString &dir : applicationDirs()) {
        for (const QString &name : names) {
            QFile file(dir + QLatin1Char('/') + name);
            if (!file.open(QIODevice::ReadOnly))
                continue;
            // The first entry found wins, as for the desktop's launcher.
            return findProgram(programOfDesktopEntry(file.read(1024 * 1024)));
        }
    }
    return QString();
}

} // namespace WaylandWindows
