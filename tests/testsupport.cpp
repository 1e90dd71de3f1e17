#include "testsupport.h"

#include "logwriter.h"

#include "mainwindow.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>

namespace TestSupport {

Sandbox::Sandbox()
    : oldHome(qgetenv("HOME"))
    , oldCwd(QDir::currentPath())
{
    qputenv("HOME", QFile::encodeName(homeDir.path()));
    QDir::setCurrent(workDir.path());
}

Sandbox::~Sandbox()
{
    QDir::setCurrent(oldCwd);
    qputenv("HOME", oldHome);
}

QString builtTemplatePath()
{
    // A test staged away from the build tree is told where its programs went.
    const QString staged = qEnvironmentVariable("KESTO_BIN_DIR");
    if (!staged.isEmpty() && QFileInfo::exists(staged + QStringLiteral("/template.db")))
        return staged + QStringLiteral("/template.db");
    return QStringLiteral(KESTO_TEMPLATE_DB);
}

void Sandbox::copyTemplate() const
{
    QFile::copy(builtTemplatePath(), work() + QStringLiteral("/template.db"));
}

LogFile::LogFile(const QString &path)
    : name(QUuid::createUuid().toString())
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(path);
    db.open();
}

LogFile::~LogFile()
{
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

bool LogFile::exec(const QString &sql, const QVariantList &values)
{
    // What kesto handed its writer is on disk, or refused, before another
    // reader looks.
    LogWriter::waitForAll();
    QSqlQuery query(QSqlDatabase::database(name));
    query.prepare(sql);
    for (const QVariant &v : values)
        query.addBindValue(v);
    return query.exec();
}

QList<QVariantList> LogFile::rows(const QString &sql, const QVariantList &values)
{
    LogWriter::waitForAll();
    QSqlQuery query(QSqlDatabase::database(name));
    query.prepare(sql);
    for (const QVariant &v : values)
        query.addBindValue(v);
    QList<QVariantList> result;
    if (!query.exec())
        return result;
    while (query.next()) {
        QVariantList row;
        for (int i = 0; i < query.record().count(); ++i)
            row << query.value(i);
        result << row;
    }
    return result;
}

QVariant LogFile::value(const QString &sql, const QVariantList &values)
{
    const QList<QVariantList> all = rows(sql, values);
    return all.isEmpty() || all.first().isEmpty() ? QVariant() : all.first().first();
}

MessageBoxCloser::MessageBoxCloser()
{
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [this] {
        const auto widgets = QApplication::topLevelWidgets();
        for (QWidget *w : widgets) {
            auto *box = qobject_cast<QMessageBox *>(w);
            if (!box || !box->isVisible())
                continue;
            seen.append({box->windowTitle(), box->text(), box->geometry()});
            if (QAbstractButton *yes = box->button(QMessageBox::Yes))
                yes->click();
            else if (QAbstractButton *ok = box->button(QMessageBox::Ok))
                ok->click();
            else
                box->reject();
        }
    });
    timer.start();
}

MessageBoxCloser::~MessageBoxCloser() = default;

FileDialogAnswer::FileDialogAnswer(const QString &fileName)
{
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [this, fileName] {
        const auto widgets = QApplication::topLevelWidgets();
        for (QWidget *w : widgets) {
            auto *dialog = qobject_cast<QFileDialog *>(w);
            if (!dialog || !dialog->isVisible())
                continue;
            if (shown) {
                // It refused the name: give up rather than hang the test.
                dialog->reject();
                return;
            }
            shown = true;
            title = dialog->windowTitle();
            filters = dialog->nameFilters();
            directory = dialog->directory().absolutePath();
            if (fileName.isEmpty()) {
                dialog->reject();
            } else {
                dialog->selectFile(fileName);
                if (auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
                    edit->setText(fileName);
                QMetaObject::invokeMethod(dialog, "accept");
            }
            return;
        }
    });
    timer.start();
}

QString MarkingTranslator::translate(const char *context, const char *sourceText, const char *, int) const
{
    if (!contexts.contains(QLatin1String(context)) || !sourceText || !*sourceText)
        return QString();
    return QStringLiteral("[xx] ") + QString::fromUtf8(sourceText);
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void releaseDefaultConnection()
{
    const QString name = QString::fromLatin1(QSqlDatabase::defaultConnection);
    if (QSqlDatabase::contains(name)) {
        QSqlDatabase::database(name, false).close();
        QSqlDatabase::removeDatabase(name);
    }
}

Harness::Harness(const std::function<void(LogFile &)> &prepareTemplate)
{
    box.copyTemplate();
    if (prepareTemplate) {
        LogFile t(box.work() + QStringLiteral("/template.db"));
        prepareTemplate(t);
    }
    restart();
    log = std::make_unique<LogFile>(box.logPath());
}

Harness::~Harness()
{
    log.reset();
    window.reset();
    releaseDefaultConnection();
}

void Harness::restart()
{
    window.reset();
    releaseDefaultConnection();
    window = std::make_unique<MainWindow>();
}

void Harness::invoke(const char *slot)
{
    QMetaObject::invokeMethod(window.get(), slot);
}

QTimer *Harness::timer(const char *name) const
{
    return window->findChild<QTimer *>(QLatin1String(name));
}

QAction *Harness::action(const char *name) const
{
    return window->findChild<QAction *>(QLatin1String(name));
}

} // namespace TestSupport
