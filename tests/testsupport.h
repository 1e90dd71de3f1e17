#pragma once

#include "foregroundwindow.h"

#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QRect>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>
#include <QVariant>

#include <functional>
#include <memory>

class QAction;

namespace TestSupport {

// A private home and working directory for one test case; both are gone
// when it is destroyed.
class Sandbox
{
public:
    Sandbox();
    ~Sandbox();
    QString home() const { return homeDir.path(); }
    QString work() const { return workDir.path(); }
    QString logPath() const { return home() + QStringLiteral("/kesto.db"); }
    // Puts the built template.db into the working directory.
    void copyTemplate() const;

private:
    QTemporaryDir homeDir;
    QTemporaryDir workDir;
    QByteArray oldHome;
    QString oldCwd;
};

QString builtTemplatePath();

// Runs SQL on the log through a connection of its own, as another reader of
// the file would; the default connection stays the program's.
class LogFile
{
public:
    explicit LogFile(const QString &path);
    ~LogFile();
    bool exec(const QString &sql, const QVariantList &values = {});
    QList<QVariantList> rows(const QString &sql, const QVariantList &values = {});
    QVariant value(const QString &sql, const QVariantList &values = {});
    QSqlDatabase db() const { return QSqlDatabase::database(name, false); }

private:
    QString name;
};

// Closes every message box that opens, remembering what it said.
class MessageBoxCloser
{
public:
    MessageBoxCloser();
    ~MessageBoxCloser();
    struct Seen { QString title; QString text; QRect geometry; };
    QList<Seen> seen;

private:
    QTimer timer;
};

// Answers the next file dialog with a file name, or cancels it (empty name).
class FileDialogAnswer
{
public:
    explicit FileDialogAnswer(const QString &fileName);
    QString title;
    QStringList filters;
    QString directory;
    bool shown = false;

private:
    QTimer timer;
};

// A translator that marks every text of the given contexts, to see what a
// language change reaches.
class MarkingTranslator : public QTranslator
{
public:
    explicit MarkingTranslator(const QStringList &contexts) : contexts(contexts) {}
    bool isEmpty() const override { return false; }
    QString translate(const char *context, const char *sourceText, const char *disambiguation = nullptr,
                      int n = -1) const override;

private:
    QStringList contexts;
};

// Stages what the foreground window is.
class FakeForegroundWindow : public ForegroundWindowSource
{
public:
    FakeForegroundWindow() { setForegroundWindowSource(this); }
    ~FakeForegroundWindow() override { setForegroundWindowSource(nullptr); }
    void show(const QString &path, const QString &title) { current = ForegroundSample{title, path}; }
    void showNothing() { current.reset(); }
    std::optional<ForegroundSample> sample() override { return current; }
    bool isAvailable() const override { return available; }
    bool available = true;
    // Seconds since the last input, as the desktop would tell; nothing when it cannot.
    std::optional<qint64> idle = 0;
    std::optional<qint64> idleSeconds(int) override { return idle; }

private:
    std::optional<ForegroundSample> current;
};

// A file's bytes; empty when it cannot be read.
QByteArray fileBytes(const QString &path);

// Drops the program's default connection once its window is gone.
void releaseDefaultConnection();

// A main window on a private log built from the template, with a staged
// foreground window and a second connection for reading the file.
class Harness
{
public:
    explicit Harness(const std::function<void(LogFile &)> &prepareTemplate = nullptr);
    ~Harness();
    void restart();
    // Calls a slot of the window as its signal would.
    void invoke(const char *slot);
    QTimer *timer(const char *name) const;
    QAction *action(const char *name) const;
    template<typename T>
    T *widget(const char *name) const { return window->findChild<T *>(QLatin1String(name)); }

    Sandbox box;
    FakeForegroundWindow fake;
    std::unique_ptr<QMainWindow> window;
    std::unique_ptr<LogFile> log;
};

} // namespace TestSupport
