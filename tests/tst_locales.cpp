// The Italian and German catalogues: complete, and used by start-up.
#include "mainwindow.h"
#include "testsupport.h"
#include "translation.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QMenu>
#include <QProcess>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>
#include <QXmlStreamReader>

using namespace TestSupport;

namespace {

// Messages of a .ts file that lack a finished translation, as "context: source".
QStringList unfinished(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {"cannot read " + path};
    QStringList missing;
    QXmlStreamReader xml(&file);
    QString context;
    QString source;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("source")) {
            source = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation")) {
            const QString type = xml.attributes().value("type").toString();
            const QString text = xml.readElementText();
            if (!type.isEmpty() || text.isEmpty())
                missing << context + ": " + source.left(60) + (type.isEmpty() ? "" : " (" + type + ")");
        }
    }
    if (xml.hasError())
        missing << "XML error in " + path + ": " + xml.errorString();
    return missing;
}

} // namespace

class TestLocales : public QObject
{
    Q_OBJECT

private slots:
    void catalogsAreComplete_data();
    void catalogsAreComplete();
    void trayMenuInSystemLanguage();
};

void TestLocales::catalogsAreComplete_data()
{
    QTest::addColumn<QString>("language");
    QTest::newRow("Italian") << "it";
    QTest::newRow("German") << "de";
}

void TestLocales::catalogsAreComplete()
{
    QFETCH(QString, language);
    const QString source = qEnvironmentVariable("KESTO_SOURCE_DIR");
    const QString committed = source + "/translations/kesto_" + language + ".ts";
    QVERIFY(QFile::exists(committed));
    // Refresh a copy from the sources: a text added to the code but not to
    // the catalogue shows up as unfinished.
    QTemporaryDir dir;
    const QString copy = dir.filePath("kesto.ts");
    QVERIFY(QFile::copy(committed, copy));
    QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QProcess lupdate;
    lupdate.setWorkingDirectory(source);
    lupdate.start(QStringLiteral(KESTO_LUPDATE), {"-no-obsolete", "-locations", "none", "app", "storage", "tray", "platform",
                                                  "recording", "rules", "reports", "about", "insight", "-ts", copy});
    QVERIFY(lupdate.waitForFinished(60000));
    QCOMPARE(lupdate.exitCode(), 0);
    const QStringList missing = unfinished(copy);
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join('\n')));
    QVERIFY2(unfinished(committed).isEmpty(), "the committed catalogue is not up to date");
}

void TestLocales::trayMenuInSystemLanguage()
{
    const QString language = QLocale::system().name().left(2);
    const QMap<QString, QStringList> expected{
        {"it", {"Ci ripenso!", "Mostra registro...", "Riepilogo...", "Frequenza", "Attivo", "Assente dopo", "Chiedi del tempo di assenza",
                "Sospendi la registrazione", "Regole...", "Dimentica...", "Altri computer...", "Informazioni...",
                "Esci"}},
        {"de", {"Das nehme ich zurück!", "Protokoll anzeigen...", "Zusammenfassung...", "Häufigkeit", "Aktiv", "Abwesend nach",
                "Nach Abwesenheit fragen", "Aufzeichnung pausieren", "Regeln...", "Vergessen...", "Andere Computer...",
                "Über...", "Beenden"}}};
    if (!expected.contains(language))
        QSKIP("run with LC_ALL=it_IT.UTF-8 or de_DE.UTF-8");
    Sandbox box;
    box.copyTemplate();
    for (const QString &name : {QString("kesto_it.qm"), QString("kesto_de.qm")})
        QVERIFY(QFile::copy(qEnvironmentVariable("KESTO_BIN_DIR") + "/" + name, box.work() + "/" + name));

    // What start-up does: the file named by the system's language, from the working directory.
    QTranslator translator;
    QVERIFY(Translation::load(translator));
    QCoreApplication::installTranslator(&translator);
    QStringList texts;
    QStringList frequencies;
    {
        MainWindow window;
        for (QAction *a : window.findChild<QSystemTrayIcon *>()->contextMenu()->actions()) {
            if (!a->isSeparator())
                texts << a->text();
            if (a->menu())
                for (QAction *f : a->menu()->actions())
                    frequencies << f->text();
        }
    }
    releaseDefaultConnection();
    QCoreApplication::removeTranslator(&translator);
    QCOMPARE(texts, expected.value(language));
    QCOMPARE(frequencies.value(2), language == "it" ? QStringLiteral("1 ora") : QStringLiteral("1 Stunde"));
}

QTEST_MAIN(TestLocales)
#include "tst_locales.moc"
