// Two real kestos on one desktop, each with its own home, share their history
// through two real Syncthing instances on this machine: what one publishes
// reaches the other's "All computers" report.
#include "desktoptools.h"
#include "peerlogs.h"
#include "searchdialog.h"
#include "testsupport.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

#include <cstdio>
#include <memory>

using namespace TestSupport;
using namespace DesktopTools;

namespace {

const QString kFolder = QStringLiteral("kesto-history");

int freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// One computer: a home with its kesto, its sync folder and its Syncthing.
struct Side
{
    explicit Side(const QString &name)
        : name(name)
        , sync(home.path() + "/Sync")
        , config(home.path() + "/syncthing")
        , listen(freePort())
        , gui(freePort())
        , key(QUuid::createUuid().toString(QUuid::Id128))
    {
        // Syncthing wants its marker in a folder it shares.
        QDir().mkpath(sync + "/.stfolder");
        QDir().mkpath(home.path() + "/work");
        QFile::copy(builtTemplatePath(), home.path() + "/work/template.db");
        run("syncthing", {"generate", "--home=" + config, "--no-default-folder"});
        device = run("syncthing", {"serve", "--home=" + config, "--device-id"}).trimmed();
    }
    QString log() const { return home.path() + "/kesto.db"; }
    QString published(const QString &computer) const { return sync + "/" + computer + ".kesto.db"; }
    QStringList env() const { return {"HOME=" + home.path(), "QT_QPA_PLATFORM=xcb", "STNODEFAULTFOLDER=1"}; }

    // Local addresses only: no global discovery, relays, NAT traversal or
    // reports; the folder is shared with the other side alone.
    void configure(const Side &other)
    {
        const QString version = QRegularExpression("<configuration version=\"(\\d+)\"")
                                    .match(QString::fromUtf8(fileBytes(config + "/config.xml")))
                                    .captured(1);
        const auto device = [](const Side &s) {
            return QString("<device id=\"%1\" name=\"%2\" compression=\"metadata\" introducer=\"false\">"
                           "<address>tcp://127.0.0.1:%3</address></device>\n")
                .arg(s.device, s.name)
                .arg(s.listen);
        };
        const QString xml =
            QString("<configuration version=\"%1\">\n"
                    "<folder id=\"%2\" label=\"%2\" path=\"%3\" type=\"sendreceive\" rescanIntervalS=\"3600\" "
                    "fsWatcherEnabled=\"true\" fsWatcherDelayS=\"1\" ignorePerms=\"false\">"
                    "<device id=\"%4\"></device><device id=\"%5\"></device>"
                    "<minDiskFree unit=\"%\">0</minDiskFree></folder>\n")
                .arg(version, kFolder, sync, this->device, other.device)
            + device(*this) + device(other)
            + QString("<gui enabled=\"true\" tls=\"false\"><address>127.0.0.1:%1</address><apikey>%2</apikey></gui>\n"
                      "<options><listenAddress>tcp://127.0.0.1:%3</listenAddress>"
                      "<globalAnnounceEnabled>false</globalAnnounceEnabled>"
                      "<localAnnounceEnabled>false</localAnnounceEnabled><relaysEnabled>false</relaysEnabled>"
                      "<natEnabled>false</natEnabled><urAccepted>-1</urAccepted>"
                      "<autoUpgradeIntervalH>0</autoUpgradeIntervalH><crashReportingEnabled>false</crashReportingEnabled>"
                      "<startBrowser>false</startBrowser><minHomeDiskFree unit=\"%\">0</minHomeDiskFree></options>\n"
                      "</configuration>\n")
                  .arg(gui)
                  .arg(key)
                  .arg(listen);
        QFile file(config + "/config.xml");
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(xml.toUtf8());
    }
    void startSyncthing()
    {
        syncthing = std::make_unique<Child>("syncthing",
                                            QStringList{"serve", "--home=" + config, "--no-browser", "--no-restart",
                                                        "--no-upgrade", "--logfile=" + home.path() + "/syncthing.log"},
                                            home.path(), env());
    }
    // The Syncthing REST API; an empty answer when it does not answer.
    QJsonObject rest(const QString &path, bool post = false) const
    {
        QNetworkAccessManager network;
        network.setProxy(QNetworkProxy::NoProxy);
        QNetworkRequest request(QUrl(QString("http://127.0.0.1:%1%2").arg(gui).arg(path)));
        request.setRawHeader("X-API-Key", key.toUtf8());
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
        QNetworkReply *reply = post ? network.post(request, QByteArray()) : network.get(request);
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        loop.exec();
        const QByteArray body = reply->isFinished() ? reply->readAll() : QByteArray();
        reply->deleteLater();
        return QJsonDocument::fromJson(body).object();
    }
    void startKesto() { kesto = std::make_unique<Child>(binDir() + "/kesto", QStringList(), home.path() + "/work", env()); }
    // A command to this side's kesto, as a user's script gives it.
    int command(const QStringList &args) const
    {
        QProcess client;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", home.path());
        client.setProcessEnvironment(environment);
        client.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        client.start(binDir() + "/kesto", args);
        return client.waitForFinished(20000) && client.exitStatus() == QProcess::NormalExit ? client.exitCode() : -1;
    }

    QTemporaryDir home;
    QString name;
    QString sync;
    QString config;
    int listen;
    int gui;
    QString key;
    QString device;
    std::unique_ptr<Child> syncthing;
    std::unique_ptr<Child> kesto;
};

// Reads a published file the way kesto reads it: read-only and immutable.
QStringList answersIn(const QString &path)
{
    QStringList texts;
    const QString name = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
        db.setDatabaseName(PeerLogs::readOnlyUri(path));
        db.setConnectOptions("QSQLITE_OPEN_URI;QSQLITE_OPEN_READONLY");
        if (db.open()) {
            QSqlQuery query("SELECT ActText FROM ActivityLog ORDER BY ActDate", db);
            while (query.next())
                texts << query.value(0).toString();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return texts;
}

// B's activity log over all computers, as the dialog shows it: the detailed
// view's rows as "answer|computer", and its notice.
struct AllComputers
{
    QStringList rows;
    QString notice;
};

AllComputers reportOn(const Side &side)
{
    AllComputers result;
    LogFile log(side.log());
    SearchDialog dialog;
    dialog.setDatabase(log.db());
    QTest::qWaitFor([&] { return !dialog.isSearching(); }, 30000);
    dialog.findChild<QComboBox *>("cmbComputers")->setCurrentIndex(1);
    dialog.findChild<QPushButton *>("cmdSearch")->click();
    QTest::qWaitFor([&] { return !dialog.isSearching(); }, 30000);
    QAbstractItemModel *model = dialog.findChild<QAbstractItemView *>("tvwItems")->model();
    for (int d = 0; d < model->rowCount(); ++d) {
        const QModelIndex day = model->index(d, 0);
        for (int r = 0; r < model->rowCount(day); ++r)
            result.rows << model->index(r, 1, day).data().toString() + "|" + model->index(r, 2, day).data().toString();
    }
    const QLabel *notice = dialog.findChild<QLabel *>("lblComputers");
    result.notice = notice->isHidden() ? QString() : notice->text();
    return result;
}

bool connected(const Side &from, const Side &to)
{
    return from.rest("/rest/system/connections").value("connections").toObject().value(to.device).toObject().value("connected").toBool();
}

} // namespace

class TestSyncthing : public QObject
{
    Q_OBJECT

private slots:
    void historyTravelsBetweenComputers();
};

void TestSyncthing::historyTravelsBetweenComputers()
{
    QElapsedTimer clock;
    clock.start();
    Side a("alpha");
    Side b("bravo");
    QVERIFY2(!a.device.isEmpty() && !b.device.isEmpty(), "syncthing made no device ids");
    a.configure(b);
    b.configure(a);
    a.startSyncthing();
    b.startSyncthing();
    a.startKesto();
    b.startKesto();
    // Each kesto answers once it runs; with no folder set, publishing is nothing.
    for (Side *side : {&a, &b})
        QVERIFY(QTest::qWaitFor([&] { return side->command({"--publish"}) == 0; }, 20000));
    QCOMPARE(a.command({"--sync-folder", a.sync, "--computer-name", "alpha"}), 0);
    QCOMPARE(b.command({"--sync-folder", b.sync, "--computer-name", "bravo"}), 0);
    // The name one computer publishes under is refused to another.
    QVERIFY(QTest::qWaitFor([&] { return QFileInfo::exists(a.published("alpha")); }, 10000));
    QVERIFY2(QTest::qWaitFor([&] { return connected(a, b) && connected(b, a); }, 30000),
             "the two Syncthing instances did not connect");
    QVERIFY(QTest::qWaitFor([&] { return QFileInfo::exists(b.published("alpha")); }, 30000));
    QCOMPARE(b.command({"--sync-folder", b.sync, "--computer-name", "alpha"}), 1);

    // An answer typed on A.
    QCOMPARE(a.command({"--ask"}), 0);
    const QString prompt = waitForWindow("Quorvel?", 10000);
    QVERIFY(!prompt.isEmpty());
    QVERIFY(bringToFront(prompt));
    run("xdotool", {"type", "--delay", "10", "typed on alpha"});
    run("xdotool", {"key", "Return"});
    QVERIFY(QTest::qWaitFor([&] { return mapState("Quorvel?") == "IsUnMapped"; }, 10000));
    QCOMPARE(a.command({"--publish"}), 0);
    QVERIFY(QTest::qWaitFor([&] { return answersIn(a.published("alpha")) == QStringList{"typed on alpha"}; }, 10000));
    a.rest("/rest/db/scan?folder=" + kFolder, true);
    QVERIFY2(QTest::qWaitFor([&] { return answersIn(b.published("alpha")) == QStringList{"typed on alpha"}; }, 30000),
             "A's snapshot did not reach B");
    AllComputers report = reportOn(b);
    QCOMPARE(report.rows, QStringList{"typed on alpha|alpha"});
    QVERIFY2(report.notice.isEmpty(), qPrintable(report.notice));

    // A row forgotten on A goes from B's report with the next snapshot.
    {
        LogFile log(a.log());
        QVERIFY(log.exec("DELETE FROM ActivityLog WHERE ActText = 'typed on alpha'"));
    }
    QCOMPARE(a.command({"--publish"}), 0);
    QVERIFY(QTest::qWaitFor([&] { return answersIn(a.published("alpha")).isEmpty(); }, 10000));
    a.rest("/rest/db/scan?folder=" + kFolder, true);
    QVERIFY2(QTest::qWaitFor([&] { return answersIn(b.published("alpha")).isEmpty(); }, 30000),
             "the forgotten row stayed in B's copy");
    QCOMPARE(reportOn(b).rows, QStringList());

    // A damaged file and a conflict copy in B's folder are named, not read.
    QByteArray damaged = fileBytes(b.published("alpha"));
    for (int i = 4096; i < damaged.size(); i += 5)
        damaged[i] = char(0x33);
    {
        QFile f(b.sync + "/broken.kesto.db");
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(damaged);
    }
    QVERIFY(QFile::copy(b.published("alpha"), b.sync + "/alpha.kesto.sync-conflict-20260202-120000-ABCDEFG.db"));
    const QByteArray aCopy = fileBytes(a.published("alpha"));
    report = reportOn(b);
    QVERIFY2(report.notice.contains("broken.kesto.db") && report.notice.contains("sync-conflict"), qPrintable(report.notice));

    // B never wrote A's file: B's copy is A's byte for byte, with nothing
    // beside it, and nothing went back to A.
    QCOMPARE(fileBytes(b.published("alpha")), aCopy);
    for (const QString &side : {"-journal", "-wal", "-shm"})
        QVERIFY(!QFileInfo::exists(b.published("alpha") + side));
    b.rest("/rest/db/scan?folder=" + kFolder, true);
    QTest::qWait(1500);
    QCOMPARE(fileBytes(a.published("alpha")), aCopy);

    // Turned off, B publishes no more.
    QCOMPARE(b.command({"--sync-folder", ""}), 0);
    const QByteArray bravo = fileBytes(b.published("bravo"));
    QCOMPARE(b.command({"--publish"}), 0);
    QTest::qWait(500);
    QCOMPARE(fileBytes(b.published("bravo")), bravo);

    for (Side *side : {&a, &b}) {
        QCOMPARE(side->command({"--quit"}), 0);
        QVERIFY(side->kesto->process().waitForFinished(10000));
    }
    qInfo("two computers, Syncthing and both kestos: %lld ms", clock.elapsed());
}

int main(int argc, char *argv[])
{
    if (QStandardPaths::findExecutable("syncthing").isEmpty()) {
        std::puts("SKIP: syncthing is not installed (Debian: apt-get install syncthing)");
        return 77;
    }
    QApplication app(argc, argv);
    TestSyncthing test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_syncthing.moc"
