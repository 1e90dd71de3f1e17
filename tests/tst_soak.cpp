// Long runs of the sampler and the prompt: nothing leaks, memory stays flat.
#include "mainwindow.h"
#include "testsupport.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QTest>

using namespace TestSupport;

namespace {

double rssMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return -1;
}

// Fifty windows taking turns: mostly growing rows, now and then a new one.
void ticks(Harness &h, int count, int &n)
{
    for (int i = 0; i < count; ++i, ++n) {
        const int window = (n / 7) % 50;
        h.fake.show(QStringLiteral("/usr/bin/program%1").arg(window % 10), QStringLiteral("title %1").arg(window));
        h.invoke("OnTimerPrograms");
    }
}

} // namespace

class TestSoak : public QObject
{
    Q_OBJECT

private slots:
    void samplerAndPromptCycles();
    void memoryStaysFlat();
};

void TestSoak::samplerAndPromptCycles()
{
    // Under LeakSanitizer this run ends with a leak report if anything leaked.
    Harness h;
    int n = 0;
    ticks(h, 10000, n);
    auto *combo = h.widget<QComboBox>("cbWhat");
    for (int cycle = 0; cycle < 100; ++cycle) {
        h.invoke("OnTimerKESTO");
        combo->lineEdit()->setText(QStringLiteral("answer %1").arg(cycle % 30));
        QTest::keyClick(combo, Qt::Key_Return);
        QVERIFY(!h.window->isVisible());
    }
    QCOMPARE(h.log->value("SELECT COUNT(*) FROM ActivityLog").toInt(), 100);
    QCOMPARE(h.log->value("SELECT SUM(Duration) FROM ApplicationLog").toInt(), 10000 * 5);
}

void TestSoak::memoryStaysFlat()
{
#ifdef KESTO_SANITIZED
    QSKIP("the sanitizers' own bookkeeping makes resident memory meaningless");
#endif
    Harness h;
    // First fill SQLite's page cache (2 MB by default) with new rows, as a log
    // a few days old does; its growth up to that bound is not a leak.
    for (int i = 0; i < 25000; ++i) {
        h.fake.show(QStringLiteral("/usr/bin/warmup"), QStringLiteral("warm-up window %1").arg(i));
        h.invoke("OnTimerPrograms");
    }
    int n = 0;
    ticks(h, 2000, n);
    const double before = rssMb();
    ticks(h, 100000, n);
    const double growth = rssMb() - before;
    qInfo("resident memory grew by %.3f MB over 100,000 ticks", growth);
    QVERIFY2(growth < 1.0, qPrintable(QString::number(growth)));
}

QTEST_MAIN(TestSoak)
#include "tst_soak.moc"
