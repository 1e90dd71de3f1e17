// The embedded images, the icon file, and the Windows resource script.
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QResource>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

namespace {

quint16 word(const QByteArray &b, int at)
{
    return qFromLittleEndian<quint16>(b.constData() + at);
}

quint32 dword(const QByteArray &b, int at)
{
    return qFromLittleEndian<quint32>(b.constData() + at);
}

struct IconEntry
{
    int width;
    int height;
    int bits;
    QByteArray image;
};

// The directory of an ICO file, with each image's bytes.
QList<IconEntry> readIco(const QByteArray &ico)
{
    QList<IconEntry> entries;
    if (ico.size() < 6 || word(ico, 0) != 0 || word(ico, 2) != 1)
        return entries;
    for (int i = 0; i < word(ico, 4); ++i) {
        const int at = 6 + 16 * i;
        const int w = quint8(ico[at]) ? quint8(ico[at]) : 256;
        const int h = quint8(ico[at + 1]) ? quint8(ico[at + 1]) : 256;
        entries.append({w, h, word(ico, at + 6), ico.mid(dword(ico, at + 12), dword(ico, at + 8))});
    }
    return entries;
}

// One resource of a compiled .res file.
struct Resource
{
    QString type; // "#16" for numbered types
    QString name;
    int language;
    QByteArray data;
};

QString readId(const QByteArray &b, int &at)
{
    if (word(b, at) == 0xffff) {
        const int id = word(b, at + 2);
        at += 4;
        return QStringLiteral("#%1").arg(id);
    }
    QString text;
    while (word(b, at) != 0) {
        text += QChar(word(b, at));
        at += 2;
    }
    at += 2;
    return text;
}

QList<Resource> readRes(const QByteArray &res)
{
    QList<Resource> out;
    int at = 0;
    while (at + 8 <= res.size()) {
        const quint32 dataSize = dword(res, at);
        const quint32 headerSize = dword(res, at + 4);
        int p = at + 8;
        const QString type = readId(res, p);
        const QString name = readId(res, p);
        p = (p + 3) & ~3;
        const int language = word(res, p + 6);
        if (dataSize > 0)
            out.append({type, name, language, res.mid(at + int(headerSize), int(dataSize))});
        at = (at + int(headerSize) + int(dataSize) + 3) & ~3;
    }
    return out;
}

// A node of a VS_VERSIONINFO tree.
struct VersionNode
{
    QString key;
    QByteArray value;
    bool text = false;
    QList<VersionNode> children;
};

VersionNode readVersionNode(const QByteArray &b, int at)
{
    VersionNode node;
    const int length = word(b, at);
    const int valueLength = word(b, at + 2);
    node.text = word(b, at + 4) == 1;
    int p = at + 6;
    while (word(b, p) != 0) {
        node.key += QChar(word(b, p));
        p += 2;
    }
    p = (p + 2 + 3) & ~3;
    const int valueBytes = node.text ? valueLength * 2 : valueLength;
    node.value = b.mid(p, valueBytes);
    p = (p + valueBytes + 3) & ~3;
    while (p < at + length) {
        const int childLength = word(b, p);
        if (childLength == 0)
            break;
        node.children.append(readVersionNode(b, p));
        p = (p + childLength + 3) & ~3;
    }
    return node;
}

QString utf16(const QByteArray &value)
{
    QString s = QString::fromUtf16(reinterpret_cast<const char16_t *>(value.constData()), value.size() / 2);
    while (s.endsWith(QChar(0)))
        s.chop(1);
    return s;
}

const struct
{
    int size;
    int bits;
} kIconImages[] = {{32, 4}, {16, 4}, {48, 8}, {32, 8}, {16, 8}, {128, 32}, {48, 32}, {32, 32}, {16, 32}};

} // namespace

class TestResources : public QObject
{
    Q_OBJECT

private slots:
    void images_data();
    void images();
    void iconFile();
    void windowsResources();
};

void TestResources::images_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    QTest::newRow("16.png") << ":/img/16.png" << QSize(16, 16);
    QTest::newRow("22.png") << ":/img/22.png" << QSize(22, 22);
    QTest::newRow("question_128") << ":/img/question_128" << QSize(128, 128);
    QTest::newRow("book") << ":/img/book" << QSize(16, 16);
    QTest::newRow("clock") << ":/img/clock" << QSize(16, 16);
    QTest::newRow("exit") << ":/img/exit" << QSize(16, 16);
    QTest::newRow("donate.png") << ":/img/res/donate.png" << QSize(140, 54);
}

void TestResources::images()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    QResource resource(path);
    QVERIFY(resource.isValid());
    QCOMPARE(resource.compressionAlgorithm(), QResource::NoCompression);
    const QByteArray bytes = resource.uncompressedData();
    // PNG signature, then IHDR: 8 bits per channel, colour type 6 (RGBA), not interlaced.
    QVERIFY(bytes.startsWith("\x89PNG\r\n\x1a\n"));
    QCOMPARE(qFromBigEndian<quint32>(bytes.constData() + 16), quint32(size.width()));
    QCOMPARE(qFromBigEndian<quint32>(bytes.constData() + 20), quint32(size.height()));
    QCOMPARE(int(bytes[24]), 8);
    QCOMPARE(int(bytes[25]), 6);
    QCOMPARE(int(bytes[28]), 0);
    // Found by content, extension or not.
    QImageReader reader(path);
    QCOMPARE(reader.format(), QByteArray("png"));
    const QImage image = reader.read();
    QCOMPARE(image.size(), size);
    QVERIFY(image.hasAlphaChannel());
}

void TestResources::iconFile()
{
    QResource resource(":/img/question_ico");
    QVERIFY(resource.isValid());
    QCOMPARE(resource.compressionAlgorithm(), QResource::ZlibCompression);
    QVERIFY(resource.size() < 91198);
    QCOMPARE(resource.uncompressedSize(), qint64(91198));
    QFile file(":/img/question_ico");
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray ico = file.readAll();
    QCOMPARE(ico.size(), 91198);

    const QList<IconEntry> entries = readIco(ico);
    QCOMPARE(entries.size(), 9);
    for (int i = 0; i < 9; ++i) {
        QCOMPARE(entries[i].width, kIconImages[i].size);
        QCOMPARE(entries[i].height, kIconImages[i].size);
        QCOMPARE(entries[i].bits, kIconImages[i].bits);
        // A device-independent bitmap with its AND mask (double height), not a PNG.
        const QByteArray &dib = entries[i].image;
        QCOMPARE(dword(dib, 0), quint32(40));
        QCOMPARE(int(dword(dib, 8)), 2 * kIconImages[i].size);
        QCOMPARE(int(word(dib, 14)), kIconImages[i].bits);
    }
    QImageReader reader(":/img/question_ico", "ico");
    QCOMPARE(reader.imageCount(), 9);
    QIcon icon(":/img/question_ico");
    QVERIFY(!icon.availableSizes().isEmpty());
}

void TestResources::windowsResources()
{
    const QString windres = QStandardPaths::findExecutable("x86_64-w64-mingw32-windres");
    if (windres.isEmpty())
        QSKIP("x86_64-w64-mingw32-windres is not installed (Debian: binutils-mingw-w64-x86-64)");
    QTemporaryDir out;
    const QString resources = qEnvironmentVariable("KESTO_SOURCE_DIR") + "/resources";
    QProcess compile;
    compile.setWorkingDirectory(resources);
    compile.setProcessChannelMode(QProcess::ForwardedChannels);
    compile.start(windres, {"-i", "kesto.rc", "-O", "res", "-o", out.filePath("kesto.res")});
    QVERIFY(compile.waitForFinished(60000));
    QCOMPARE(compile.exitCode(), 0);
    QFile resFile(out.filePath("kesto.res"));
    QVERIFY(resFile.open(QIODevice::ReadOnly));
    const QList<Resource> all = readRes(resFile.readAll());

    QFile icoFile(resources + "/img/question_ico");
    QVERIFY(icoFile.open(QIODevice::ReadOnly));
    const QList<IconEntry> ico = readIco(icoFile.readAll());

    // The icon group: a name, US English, nine images in the file's order.
    const Resource *group = nullptr;
    QMap<int, QByteArray> images;
    const Resource *version = nullptr;
    for (const Resource &r : all) {
        if (r.type == "#14")
            group = &r;
        else if (r.type == "#3")
            images.insert(r.name.mid(1).toInt(), r.data);
        else if (r.type == "#16")
            version = &r;
    }
    QVERIFY(group);
    QCOMPARE(group->name, QStringLiteral("IDI_ICON1"));
    QCOMPARE(group->language, 1033);
    QCOMPARE(int(word(group->data, 4)), 9);
    for (int i = 0; i < 9; ++i) {
        const int at = 6 + 14 * i;
        QCOMPARE(int(quint8(group->data[at])), kIconImages[i].size);
        QCOMPARE(int(word(group->data, at + 6)), kIconImages[i].bits);
        const int id = word(group->data, at + 12);
        QCOMPARE(id, i + 1);
        QCOMPARE(images.value(id), ico[i].image);
    }

    // The version record, field by field.
    QVERIFY(version);
    QCOMPARE(version->name, QStringLiteral("#1"));
    QCOMPARE(version->language, 1033);
    const VersionNode root = readVersionNode(version->data, 0);
    QCOMPARE(root.key, QStringLiteral("VS_VERSION_INFO"));
    const QByteArray &fixed = root.value;
    QCOMPARE(fixed.size(), 52);
    QCOMPARE(dword(fixed, 0), quint32(0xFEEF04BD));
    QCOMPARE(dword(fixed, 8), quint32(0x00010000));  // 1.0
    QCOMPARE(dword(fixed, 12), quint32(0x00000064)); // 0.100
    QCOMPARE(dword(fixed, 16), quint32(0x00010000));
    QCOMPARE(dword(fixed, 20), quint32(0x00000001));
    QCOMPARE(dword(fixed, 24), quint32(0x3F));
    QCOMPARE(dword(fixed, 28), quint32(0x8));
    QCOMPARE(dword(fixed, 32), quint32(0x4));
    QCOMPARE(dword(fixed, 36), quint32(0x1));
    QCOMPARE(dword(fixed, 40), quint32(0));
    QCOMPARE(dword(fixed, 44), quint32(0));
    QCOMPARE(dword(fixed, 48), quint32(0));

    QMap<QString, QString> strings;
    QByteArray translation;
    for (const VersionNode &child : root.children) {
        if (child.key == "StringFileInfo") {
            QCOMPARE(child.children.size(), 1);
            QCOMPARE(child.children[0].key, QStringLiteral("040904b0"));
            for (const VersionNode &s : child.children[0].children)
                strings.insert(s.key, utf16(s.value));
        } else if (child.key == "VarFileInfo") {
            QCOMPARE(child.children.value(0).key, QStringLiteral("Translation"));
            translation = child.children.value(0).value;
        }
    }
    QCOMPARE(strings.value("Comments"), QStringLiteral("Quorvel?"));
    QVERIFY(strings.value("CompanyName").endsWith(".example/"));
    QCOMPARE(strings.value("FileDescription"), QStringLiteral("Quorvel application"));
    QCOMPARE(strings.value("FileVersion"), QStringLiteral("1, 0, 0, 100"));
    QCOMPARE(strings.value("InternalName"), QStringLiteral("kesto"));
    QVERIFY(strings.value("LegalCopyright").contains("vrensk"));
    QCOMPARE(strings.value("OriginalFilename"), QStringLiteral("kesto.exe"));
    QCOMPARE(strings.value("ProductName"), QStringLiteral("vrensk's kesto"));
    QCOMPARE(strings.value("ProductVersion"), QStringLiteral("1, 0, 0, 1"));
    QCOMPARE(strings.size(), 9);
    QCOMPARE(translation.size(), 4);
    QCOMPARE(int(word(translation, 0)), 0x0409);
    QCOMPARE(int(word(translation, 2)), 0x04B0);
}

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
