#include "desktoptools.h"

#include "testsupport.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QTest>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QThread>

namespace DesktopTools {

bool waitFor(const std::function<bool()> &condition, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (condition())
            return true;
        QThread::msleep(100);
    }
    return condition();
}

QStringList kestoEnv(const TestSupport::Sandbox &box)
{
    return {"HOME=" + box.home(), "QT_QPA_PLATFORM=xcb"};
}

namespace {

// The tools read their UTF-8 arguments right only in a UTF-8 locale, whatever
// locale the test itself runs in.
QProcessEnvironment toolEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LC_ALL", "C.UTF-8");
    return env;
}

} // namespace

QString run(const QString &program, const QStringList &args, int timeoutMs)
{
    QProcess p;
    p.setProcessEnvironment(toolEnvironment());
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return QString();
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString waitForWindow(const QString &title, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        const QString out = run("xdotool", {"search", "--onlyvisible", "--name", "^" + QRegularExpression::escape(title) + "$"});
        const QString first = out.section('\n', 0, 0).trimmed();
        if (!first.isEmpty())
            return first;
        QThread::msleep(100);
    }
    return QString();
}

bool bringToFront(const QString &windowId, bool withWindowManager)
{
    if (withWindowManager) {
        run("xdotool", {"windowactivate", "--sync", windowId});
    } else {
        run("xdotool", {"windowfocus", "--sync", windowId});
    }
    QDeadlineTimer deadline(5000);
    while (!deadline.hasExpired()) {
        const QString active = run("xdotool", {withWindowManager ? "getactivewindow" : "getwindowfocus"}).trimmed();
        if (active == windowId)
            return true;
        QThread::msleep(50);
    }
    return false;
}

bool kestoIconInTray()
{
    const QStringList lines = run("xwininfo", {"-root", "-tree"}).split('\n');
    int trayIndent = -1;
    for (const QString &line : lines) {
        const int indent = int(line.indexOf(QRegularExpression("\\S")));
        if (trayIndent >= 0 && indent <= trayIndent)
            trayIndent = -1;
        if (line.contains("\"SystemTray\"")) {
            trayIndent = indent;
            continue;
        }
        if (trayIndent >= 0 && line.contains("(\"kesto\" \"kesto\")"))
            return true;
    }
    return false;
}

QString mapState(const QString &title)
{
    const QString out = run("xwininfo", {"-name", title});
    const QRegularExpressionMatch m = QRegularExpression("Map State: (\\w+)").match(out);
    return m.hasMatch() ? m.captured(1) : QString();
}

Child::Child(const QString &program, const QStringList &args, const QString &workDir, const QStringList &extraEnv)
{
    QProcessEnvironment env = toolEnvironment();
    for (const QString &pair : extraEnv)
        env.insert(pair.section('=', 0, 0), pair.section('=', 1));
    proc.setProcessEnvironment(env);
    if (!workDir.isEmpty())
        proc.setWorkingDirectory(workDir);
    proc.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    proc.start(program, args);
    proc.waitForStarted();
}

Child::~Child()
{
    if (proc.state() != QProcess::NotRunning) {
        proc.kill();
        proc.waitForFinished(5000);
    }
}

QString binDir()
{
    return qEnvironmentVariable("KESTO_BIN_DIR");
}

std::unique_ptr<Child> startKestoAskingOnWayland(const TestSupport::Sandbox &box)
{
    box.copyTemplate();
    if (!TestSupport::LogFile(box.work() + "/template.db").exec("UPDATE Options SET QueryMinutes = 0"))
        return nullptr;
    return std::make_unique<Child>(binDir() + "/kesto", QStringList(), box.work(),
                                   QStringList{"HOME=" + box.home(), "QT_QPA_PLATFORM=wayland"});
}

bool kestoLoggedItsPrompt(const TestSupport::Sandbox &box)
{
    if (!QTest::qWaitFor([&] { return QFileInfo::exists(box.logPath()); }, 10000))
        return false;
    TestSupport::LogFile log(box.logPath());
    const QString prompts = "SELECT COUNT(*) FROM ApplicationLog WHERE AppTitle = 'Quorvel?'";
    if (!QTest::qWaitFor([&] { return log.value(prompts).toInt() == 1; }, 15000))
        return false;
    return log.value("SELECT AppFileName FROM ApplicationLog WHERE AppTitle = 'Quorvel?'").toString()
           == QFileInfo(binDir() + "/kesto").canonicalFilePath();
}

RequestedSample requestSample(ForegroundWindowSource &source, int timeoutMs)
{
    // Shared: an answer after the timeout must find something to write to.
    auto result = std::make_shared<RequestedSample>();
    auto returned = std::make_shared<bool>(false);
    source.requestSample([result, returned](std::optional<ForegroundSample> sample) {
        result->answered = true;
        result->returnedFirst = *returned;
        result->sample = std::move(sample);
    });
    *returned = true;
    (void)QTest::qWaitFor([&] { return result->answered; }, timeoutMs);
    return *result;
}

} // namespace DesktopTools
