// The about dialog, the programs detail dialog, and how the tray opens dialogs.
#include "aboutdialog.h"
#include "dlgprogramsdetail.h"
#include "searchdialog.h"
#include "testsupport.h"

#include <QApplication>
#include <QCommandLinkButton>
#include <QDesktopServices>
#include <QLabel>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QDeadlineTimer>
#include <QAbstractItemView>
#include <QTreeWidget>
#include <QUrl>
#include <QUrlQuery>

using namespace TestSupport;

class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    UrlCatcher()
    {
        QDesktopServices::setUrlHandler("http", this, "open");
        QDesktopServices::setUrlHandler("https", this, "open");
    }
    ~UrlCatcher() override
    {
        QDesktopServices::unsetUrlHandler("http");
        QDesktopServices::unsetUrlHandler("https");
    }
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened << url; }
};

namespace {

QImage pixels(const QIcon &icon)
{
    return icon.pixmap(128, 128).toImage().convertToFormat(QImage::Format_ARGB32);
}

// Runs a dialog's exec() while `during` acts on it, and says what it returned.
int execWhile(QDialog &dialog, const std::function<void()> &during)
{
    QTimer::singleShot(50, &dialog, during);
    QTimer::singleShot(5000, &dialog, [&dialog] { dialog.done(99); }); // never hang
    return dialog.exec();
}

} // namespace

class TestDialogs : public QObject
{
    Q_OBJECT

private slots:
    void aboutLinks();
    void aboutSizeAndClosing();
    void aboutLanguageChange();
    void aboutTextsFit_data();
    void aboutTextsFit();
    void aboutReturnCloses();
    void programsDetail();
    void trayOpensFreshDialogs();
};

void TestDialogs::aboutLinks()
{
    UrlCatcher urls;
    AboutDialog about;
    about.findChild<QPushButton *>("pb_web")->click();
    emit about.findChild<QLabel *>("label_4")->linkActivated("http://ignored.example/");
    about.findChild<QCommandLinkButton *>("commandLinkButton")->click();
    QCOMPARE(urls.opened.size(), 3);

    const QUrl product = urls.opened[0];
    QCOMPARE(product.scheme(), QStringLiteral("http"));
    QCOMPARE(product.path(), QStringLiteral("/kesto/"));
    QCOMPARE(product.query(), QStringLiteral("from=kesto"));
    QVERIFY(product.host().endsWith(".example"));

    // The label shows the bare site; its link opens the root with the query.
    const QUrl root = urls.opened[1];
    QCOMPARE(root.host(), product.host());
    QCOMPARE(root.path(), QStringLiteral("/"));
    QCOMPARE(root.query(), QStringLiteral("from=kesto"));
    const QString shown = about.findChild<QLabel *>("label_4")->text();
    QVERIFY(shown.contains("href=\"http://" + root.host() + "/\""));
    QVERIFY(!shown.contains("from=kesto"));

    const QUrl donation = urls.opened[2];
    QCOMPARE(donation.scheme(), QStringLiteral("https"));
    QVERIFY(donation.host().endsWith(".example"));
    QCOMPARE(donation.path(), QStringLiteral("/cgi-bin/webscr"));
    const QUrlQuery query(donation);
    QCOMPARE(query.queryItemValue("cmd"), QStringLiteral("_s-xclick"));
    QVERIFY(!query.queryItemValue("hosted_button_id").isEmpty());
}

void TestDialogs::aboutSizeAndClosing()
{
    AboutDialog about;
    QCOMPARE(about.size(), QSize(363, 365));
    QCOMPARE(about.minimumSize(), QSize(363, 365));
    QCOMPARE(about.maximumSize(), QSize(363, 365));
    QCOMPARE(about.windowTitle(), QStringLiteral("About KESTO"));
    QCOMPARE(pixels(about.windowIcon()), pixels(QIcon(QPixmap(":/img/question_128"))));
    QCOMPARE(about.findChild<QLabel *>("lblVersion")->text(), QStringLiteral("Version 1.0"));

    // The title bar's close button hides it; exec() returns rejected.
    QCOMPARE(execWhile(about, [&about] { about.close(); }), int(QDialog::Rejected));
    QVERIFY(!about.isVisible());
    QCOMPARE(execWhile(about, [&about] { about.findChild<QPushButton *>("pushButton")->click(); }),
             int(QDialog::Rejected));
    QCOMPARE(execWhile(about, [&about] { QTest::keyClick(&about, Qt::Key_Escape); }), int(QDialog::Rejected));
}

void TestDialogs::aboutTextsFit_data()
{
    QTest::addColumn<int>("points");
    for (int points : {9, 11, 14})
        QTest::addRow("%d pt", points) << points;
}

void TestDialogs::aboutTextsFit()
{
    // The dialog has one fixed size: every label must fit it at the common
    // system font sizes.
    QFETCH(int, points);
    const QFont oldFont = QApplication::font();
    QFont font = oldFont;
    font.setPointSize(points);
    QApplication::setFont(font);
    {
        AboutDialog about;
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QCOMPARE(about.size(), QSize(363, 365));
        for (QLabel *label : about.findChildren<QLabel *>()) {
            const QRect shown = label->contentsRect();
            const QSize needed = label->wordWrap()
                ? QSize(label->minimumSizeHint().width(), label->heightForWidth(label->width()))
                : label->sizeHint();
            QVERIFY2(needed.width() <= label->width() && needed.height() <= label->height(),
                     qPrintable(QStringLiteral("%1 needs %2x%3, shows %4x%5")
                                    .arg(label->objectName())
                                    .arg(needed.width())
                                    .arg(needed.height())
                                    .arg(shown.width())
                                    .arg(shown.height())));
        }
    }
    QApplication::setFont(oldFont);
}

void TestDialogs::aboutReturnCloses()
{
    // Return closes, wherever the focus is: the picture buttons open the
    // browser only when clicked.
    UrlCatcher urls;
    AboutDialog about;
    QVERIFY(about.findChild<QPushButton *>("pushButton")->isDefault());
    for (const char *focus : {"pb_web", "commandLinkButton", "pushButton"}) {
        const int result = execWhile(about, [&about, focus] {
            about.findChild<QWidget *>(focus)->setFocus();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        });
        QCOMPARE(result, int(QDialog::Rejected));
        QVERIFY2(!about.isVisible(), focus);
    }
    QCOMPARE(urls.opened.size(), 0);
}

void TestDialogs::aboutLanguageChange()
{
    AboutDialog about;
    const QString copyright = about.findChild<QLabel *>("label")->text();
    const QString link = about.findChild<QLabel *>("label_4")->text();
    MarkingTranslator translator({"AboutDialog"});
    QCoreApplication::installTranslator(&translator);
    QCoreApplication::processEvents();
    QCOMPARE(about.windowTitle(), QStringLiteral("[xx] About KESTO"));
    QCOMPARE(about.findChild<QLabel *>("label_2")->text(), QStringLiteral("[xx] vrensk's"));
    QCOMPARE(about.findChild<QLabel *>("label_3")->text(), QStringLiteral("[xx] Quorvel?"));
    QCOMPARE(about.findChild<QPushButton *>("pushButton")->text(), QStringLiteral("[xx] Close"));
    QCOMPARE(about.findChild<QLabel *>("lblVersion")->styleSheet(), QStringLiteral("[xx] border: none;"));
    QCOMPARE(about.findChild<QLabel *>("lblVersion")->text(), QStringLiteral("Version 1.0"));
    QCOMPARE(about.findChild<QLabel *>("label")->text(), copyright);
    QCOMPARE(about.findChild<QLabel *>("label_4")->text(), link);
    QCOMPARE(about.findChild<QCommandLinkButton *>("commandLinkButton")->text(), QString());
    QCoreApplication::removeTranslator(&translator);
}

void TestDialogs::programsDetail()
{
    dlgProgramsDetail detail;
    QCOMPARE(detail.windowTitle(), QStringLiteral("Dialog"));
    QCOMPARE(detail.size(), QSize(391, 318));
    QTreeWidget *tree = detail.findChild<QTreeWidget *>("tvwItems");
    QCOMPARE(tree->columnCount(), 1);
    QCOMPARE(tree->headerItem()->text(0), QStringLiteral("1"));
    // Neither the link nor Close does anything.
    detail.show();
    detail.findChild<QPushButton *>("cmdClose")->click();
    emit detail.findChild<QLabel *>("label")->linkActivated("#");
    QVERIFY(detail.isVisible());

    MarkingTranslator translator({"dlgProgramsDetail"});
    QCoreApplication::installTranslator(&translator);
    QCoreApplication::processEvents();
    QCOMPARE(detail.windowTitle(), QStringLiteral("[xx] Dialog"));
    QCOMPARE(detail.findChild<QPushButton *>("cmdClose")->text(), QStringLiteral("[xx] Close"));
    QVERIFY(detail.findChild<QLabel *>("label")->text().startsWith("[xx] "));
    QCOMPARE(tree->headerItem()->text(0), QStringLiteral("1"));
    QCoreApplication::removeTranslator(&translator);
}

void TestDialogs::trayOpensFreshDialogs()
{
    Harness h;
    QVERIFY(h.log->exec("INSERT INTO ActivityLog VALUES ('today', datetime('now', 'localtime'))"));
    QAction *showLog = nullptr;
    QAction *about = nullptr;
    for (QAction *a : h.window->findChild<QSystemTrayIcon *>()->contextMenu()->actions()) {
        if (a->text() == "Show log...")
            showLog = a;
        else if (a->text() == "About...")
            about = a;
    }
    QVERIFY(showLog && about);

    // The callback only looks and closes: the checks run once exec() has
    // returned, so a failure cannot leave the dialog open.
    struct Seen
    {
        bool found = false;
        bool visible = false;
        QRect geometry;
        QRect screen;
        QStringList texts;
    };
    QList<Seen> seen;
    for (int round = 0; round < 2; ++round) {
        QTimer::singleShot(50, [&] {
            Seen now;
            auto *dialog = h.window->findChild<SearchDialog *>();
            if (!dialog) {
                if (QWidget *modal = QApplication::activeModalWidget())
                    modal->close();
                seen << now;
                return;
            }
            now.found = true;
            now.visible = dialog->isVisible();
            now.geometry = dialog->geometry();
            now.screen = dialog->screen()->availableGeometry();
            QDeadlineTimer deadline(30000);
            while (dialog->isSearching() && !deadline.hasExpired())
                QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QAbstractItemModel *model = dialog->findChild<QAbstractItemView *>("tvwItems")->model();
            for (int day = 0; day < model->rowCount(); ++day)
                for (int row = 0; row < model->rowCount(model->index(day, 0)); ++row)
                    now.texts << model->index(row, 1, model->index(day, 0)).data().toString();
            seen << now;
            dialog->findChild<QPushButton *>("cmdClose")->click();
        });
        showLog->trigger();
        QVERIFY(!h.window->findChild<SearchDialog *>());
    }
    QCOMPARE(seen.size(), 2);
    for (const Seen &dialog : std::as_const(seen)) {
        QVERIFY(dialog.found && dialog.visible);
        // Placed on the screen, not around the hidden main window's corner.
        QVERIFY(dialog.screen.contains(dialog.geometry));
        QVERIFY(dialog.geometry.top() > 0);
        // Already searched before it showed: the detailed last month.
        QCOMPARE(dialog.texts, QStringList{"today"});
    }

    bool aboutShown = false;
    QTimer::singleShot(50, [&] {
        auto *dialog = h.window->findChild<AboutDialog *>();
        aboutShown = dialog && dialog->isVisible();
        if (dialog)
            dialog->close();
        else if (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
    });
    about->trigger();
    QVERIFY(aboutShown);
    QVERIFY(!h.window->findChild<AboutDialog *>());
}

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
