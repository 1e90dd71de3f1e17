// Random walks over the real prompt and a real log, checked after every step
// against a small model of what the user confirmed. A failure names its seed
// and step; rerun one walk with KESTO_MODEL_SEED=<seed>.
#include "logwriter.h"
#include "testsupport.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QDateTime>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTest>

using namespace TestSupport;

namespace {

QString now()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// What the user confirmed, and what the log should hold because of it.
struct Model
{
    struct Entry
    {
        QString text;
        QString date;
    };
    struct Answer
    {
        QString text;
        bool rewrite;
        QString pressedFrom, pressedTo;
    };
    QList<Entry> log;
    QList<Answer> waiting;
    bool locked = false;
    bool visible = false;
    bool rewriteMode = false;
    // Away from the computer; a prompt held for the return; the start of
    // the absence the prompt asks about.
    bool away = false;
    bool held = false;
    QString absence;
    int boxes = 0;
    QString problem;

    // Applies one answer; the dates of new rows come from the log itself
    // and must lie within the moments around pressing Save. A take-back
    // changes the answer confirmed last, and only that one.
    void apply(const Answer &a, const QList<QVariantList> &rows)
    {
        if (a.rewrite && !log.isEmpty()) {
            log.last().text = a.text;
            return;
        }
        const QString date = log.size() < rows.size() ? rows[log.size()][1].toString() : QString();
        if (problem.isEmpty() && (date < a.pressedFrom || date > a.pressedTo))
            problem = QStringLiteral("answer \"%1\" dated %2, Save pressed between %3 and %4")
                          .arg(a.text, date, a.pressedFrom, a.pressedTo);
        log.append({a.text, date});
    }
    void flush(const QList<QVariantList> &rows)
    {
        if (locked)
            return;
        for (const Answer &a : std::as_const(waiting))
            apply(a, rows);
        waiting.clear();
    }
    void save(const Answer &a, const QList<QVariantList> &rows)
    {
        if (!locked) {
            flush(rows);
            apply(a, rows);
            return;
        }
        ++boxes;
        if (a.rewrite && !waiting.isEmpty())
            waiting.last().text = a.text;
        else
            waiting.append(a);
    }
};

struct Walk : Harness
{
    QComboBox *combo() const { return widget<QComboBox>("cbWhat"); }
    QTimer *promptTimer() const { return timer("timerPrompt"); }
    QList<QVariantList> rows() { return log->rows("SELECT ActText, ActDate FROM ActivityLog ORDER BY ROWID"); }
};

// Closes each error box as soon as its own event loop runs.
struct BoxCloser
{
    BoxCloser()
    {
        timer.setInterval(0);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                auto *box = qobject_cast<QMessageBox *>(w);
                if (box && box->isVisible()) {
                    texts << box->text() + QLatin1Char('\n') + box->informativeText();
                    box->button(QMessageBox::Ok)->click();
                }
            }
        });
        timer.start();
    }
    QTimer timer;
    QStringList texts;
};

} // namespace

class TestPromptModel : public QObject
{
    Q_OBJECT

private slots:
    void randomWalk_data();
    void randomWalk();
};

void TestPromptModel::randomWalk_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("steps");
    const QByteArray chosen = qgetenv("KESTO_MODEL_SEED");
    if (!chosen.isEmpty()) {
        QTest::newRow(chosen.constData()) << chosen.toUInt() << 2500;
        return;
    }
    for (quint32 seed : {1u, 2u, 3u, 4u})
        QTest::newRow(qPrintable(QStringLiteral("seed %1").arg(seed))) << seed << 2500;
}

void TestPromptModel::randomWalk()
{
    QFETCH(quint32, seed);
    QFETCH(int, steps);
    QRandomGenerator rng(seed);
    Walk w;
    // Statements that meet the lock fail at once here; the quarter-second
    // wait of the real program would only slow the walk down.
    QVERIFY(w.window->findChild<LogWriter *>()->configure(QStringLiteral("PRAGMA busy_timeout=0")));
    LogFile locker(w.box.logPath());
    QSqlQuery(QStringLiteral("PRAGMA busy_timeout=0"), locker.db());
    w.fake.show(QStringLiteral("/usr/bin/editor"), QStringLiteral("notes"));
    BoxCloser boxes;
    Model m;
    QAction *active = w.action("menuActive");
    const char *const frequencies[] = {"menuFreq15min", "menuFreq30min", "menuFreq60min", "menuFreq90min",
                                       "menuFreq120min"};
    QStringList trail;
    bool longAbsence = true;
    int returns = 0;

    for (int step = 0; step < steps; ++step) {
        QString did;
        switch (rng.bounded(15)) {
        case 0:
        case 1:
            did = QStringLiteral("timer fires");
            w.invoke("OnTimerKESTO");
            // Nobody to ask: it waits for the return.
            if (!m.visible && m.away)
                m.held = true;
            else if (!m.visible)
                m.visible = true, m.held = false;
            break;
        case 2:
        case 3:
        case 4: {
            if (!m.visible) {
                did = QStringLiteral("sampler tick");
                w.invoke("OnTimerPrograms");
                m.flush(w.rows());
                break;
            }
            // Now and then an answer given before, to see duplicates.
            const QString text = rng.bounded(4) == 0 ? QStringLiteral("again %1").arg(rng.bounded(3))
                                                     : QStringLiteral("answer %1.%2").arg(seed).arg(step);
            did = QStringLiteral("save \"%1\"%2").arg(text, m.rewriteMode ? " (take-back)" : "");
            w.combo()->lineEdit()->setText(text);
            // An answer about time away is dated where the absence began.
            const bool aboutAbsence = !m.absence.isEmpty() && !m.rewriteMode;
            const Model::Answer a{text, m.rewriteMode, aboutAbsence ? m.absence : now(), QString()};
            QTest::keyClick(w.combo(), Qt::Key_Return);
            Model::Answer pressed = a;
            pressed.pressedTo = aboutAbsence ? m.absence : now();
            m.save(pressed, w.rows());
            if (aboutAbsence)
                m.absence.clear();
            // A take-back answered, the waiting question about time away comes.
            m.visible = !m.absence.isEmpty();
            m.rewriteMode = false;
            break;
        }
        case 5:
            if (m.locked) {
                did = QStringLiteral("lock released");
                QVERIFY(locker.exec("COMMIT"));
                m.locked = false;
            } else {
                did = QStringLiteral("another program locks the log");
                QVERIFY(locker.exec("BEGIN EXCLUSIVE"));
                m.locked = true;
            }
            break;
        case 6:
            did = QStringLiteral("I take it back! (%1)").arg(m.visible ? "open" : "hidden");
            w.invoke("menuReWrite_Click");
            if (!m.visible)
                m.held = false;
            m.visible = true;
            m.rewriteMode = true;
            break;
        case 7:
            did = QStringLiteral("Active clicked");
            active->trigger();
            break;
        case 8: {
            const char *name = frequencies[rng.bounded(5)];
            did = QString::fromLatin1(name);
            w.action(name)->trigger();
            break;
        }
        case 9:
        case 10:
            // Keys reach the prompt only while it is shown.
            if (!m.visible) {
                did = QStringLiteral("sampler tick");
                w.invoke("OnTimerPrograms");
                m.flush(w.rows());
            } else if (rng.bounded(2) == 0) {
                did = QStringLiteral("Escape");
                QTest::keyClick(w.combo(), Qt::Key_Escape);
            } else {
                did = QStringLiteral("Enter in an empty field");
                w.combo()->lineEdit()->clear();
                QTest::keyClick(w.combo(), Qt::Key_Return);
            }
            break;
        case 11:
            // The title bar's close button, or Alt+F4: a dismissed question.
            did = QStringLiteral("close request (%1)").arg(m.visible ? "open" : "hidden");
            w.window->close();
            if (m.visible && !m.rewriteMode)
                m.absence.clear();
            m.visible = m.visible && !m.absence.isEmpty();
            m.rewriteMode = false;
            break;
        case 13:
            if (m.away)
                break;
            // Minutes without input: ten are not asked about, twenty are.
            did = QStringLiteral("user leaves for %1 minutes").arg(longAbsence ? 20 : 10);
            w.fake.idle = longAbsence ? 20 * 60 : 10 * 60;
            w.invoke("OnTimerPrograms");
            m.away = true;
            m.flush(w.rows());
            break;
        case 14: {
            // Back while the log takes writes: the absence's start is read from it.
            if (!m.away || m.locked)
                break;
            did = QStringLiteral("user is back");
            w.fake.idle = 0;
            w.invoke("OnTimerPrograms");
            m.away = false;
            m.flush(w.rows());
            const bool held = std::exchange(m.held, false);
            if (longAbsence && active->isChecked()) {
                // One question for an absence not answered yet.
                if (m.absence.isEmpty() || !m.visible)
                    m.absence = w.log->value("SELECT AwayStart FROM Absences ORDER BY ROWID DESC LIMIT 1").toString();
                ++returns;
                m.visible = true;
            } else if (held) {
                m.visible = true;
            }
            longAbsence = rng.bounded(2) == 0;
            break;
        }
        default:
            did = QStringLiteral("sampler tick");
            w.invoke("OnTimerPrograms");
            m.flush(w.rows());
            break;
        }
        trail << did;
        if (trail.size() > 12)
            trail.removeFirst();

        // The invariants, and the log against the model.
        const QList<QVariantList> rows = w.rows();
        QStringList stored, expected;
        for (const QVariantList &row : rows)
            stored << row[0].toString();
        for (const Model::Entry &e : std::as_const(m.log))
            expected << e.text;
        QString broken;
        if (active->isChecked() && !w.window->isVisible() && !w.promptTimer()->isActive())
            broken = QStringLiteral("Active is checked, the prompt hidden, and its timer stopped");
        else if (w.window->isVisible() != m.visible)
            broken = QStringLiteral("prompt visible: %1, expected %2").arg(w.window->isVisible()).arg(m.visible);
        else if (m.visible
                 && w.widget<QLabel>("label")->text().startsWith("Away ") != (!m.absence.isEmpty() && !m.rewriteMode))
            broken = QStringLiteral("the prompt asks \"%1\"").arg(w.widget<QLabel>("label")->text());
        else if (boxes.texts.size() != m.boxes)
            broken = QStringLiteral("%1 error boxes, expected %2").arg(boxes.texts.size()).arg(m.boxes);
        else if (!m.problem.isEmpty())
            broken = m.problem;
        else if (stored != expected)
            broken = QStringLiteral("log holds\n  %1\nexpected\n  %2")
                         .arg(stored.mid(qMax(0, stored.size() - 5)).join("\n  "),
                              expected.mid(qMax(0, expected.size() - 5)).join("\n  "));
        QVERIFY2(broken.isEmpty(), qPrintable(QStringLiteral("seed %1, step %2: %3\nlast steps:\n  %4")
                                                  .arg(seed).arg(step).arg(broken, trail.join("\n  "))));
    }

    // Asked to exit while answers wait: one more try, else they go to a file
    // beside the log, and no box holds the session's end up.
    w.fake.idle = 0;
    w.invoke("OnTimerPrograms");
    if (!m.locked)
        QVERIFY(locker.exec("BEGIN EXCLUSIVE"));
    if (!w.window->isVisible())
        w.invoke("OnTimerKESTO");
    const QString last = QStringLiteral("typed before exit %1").arg(seed);
    w.combo()->lineEdit()->setText(last);
    QTest::keyClick(w.combo(), Qt::Key_Return);
    const int shown = boxes.texts.size();
    w.invoke("keepWaitingAnswers");
    QCOMPARE(boxes.texts.size(), shown);
    const QStringList files = LogWriter::unsavedFiles(w.box.logPath());
    QCOMPARE(files.size(), 1);
    QVERIFY(QString::fromUtf8(fileBytes(files[0])).contains(last));
    QCOMPARE(QFile::permissions(files[0]) & 0x0077, QFileDevice::Permissions());
    QVERIFY(locker.exec("COMMIT"));
    w.invoke("keepWaitingAnswers");
    QVERIFY(w.log->value("SELECT COUNT(*) FROM ActivityLog WHERE ActText = ?", {last}).toInt() >= 1);
    qInfo("seed %u: %d steps, %d answers in the log, %d saves refused by a locked log, %d returns asked about", seed,
          steps, int(m.log.size()), m.boxes, returns);
}

QTEST_MAIN(TestPromptModel)
#include "tst_promptmodel.moc"
