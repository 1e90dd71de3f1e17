// Draws kesto's images and writes them to resources/img. Run it by hand after
// changing the artwork (`cmake --build build --target makeart` then
// `build/tools/makeart resources/img`) and commit what it writes.
#include <QApplication>
#include <QBuffer>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstdio>

namespace {

QImage blank(int w, int h)
{
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}

// The question mark on a blue rounded square, lighter at the top.
QImage questionMark(int size, bool outline)
{
    QImage image = blank(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal inset = size <= 16 ? 0.5 : size * 0.03;
    const QRectF square(inset, inset, size - 2 * inset, size - 2 * inset);
    const qreal radius = size * 0.2;
    QLinearGradient fill(0, 0, 0, size);
    fill.setColorAt(0, QColor(0x6c, 0xb4, 0xff));
    fill.setColorAt(0.5, QColor(0x1e, 0x78, 0xe6));
    fill.setColorAt(1, QColor(0x0a, 0x3c, 0x96));
    p.setBrush(fill);
    if (outline)
        p.setPen(QPen(QColor(0xd8, 0xec, 0xff), size / 64.0));
    else
        p.setPen(QPen(QColor(0x08, 0x32, 0x80), size <= 22 ? 1.0 : size / 48.0));
    p.drawRoundedRect(square, radius, radius);

    // A soft highlight over the upper half.
    if (size > 16) {
        QLinearGradient shine(0, 0, 0, size * 0.5);
        shine.setColorAt(0, QColor(255, 255, 255, 110));
        shine.setColorAt(1, QColor(255, 255, 255, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(shine);
        p.drawRoundedRect(square.adjusted(size * 0.06, size * 0.05, -size * 0.06, -size * 0.5), radius * 0.8,
                          radius * 0.8);
    }

    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(qRound(size * 0.86));
    QPainterPath glyph;
    glyph.addText(0, 0, font, QStringLiteral("?"));
    const QRectF bounds = glyph.boundingRect();
    const qreal scale = (size * 0.70) / bounds.height();
    QTransform t;
    t.translate(size / 2.0, size / 2.0);
    t.scale(scale, scale);
    t.translate(-bounds.center().x(), -bounds.center().y());
    glyph = t.map(glyph);
    if (size > 16) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 70));
        p.drawPath(glyph.translated(size / 64.0 + 0.5, size / 48.0 + 0.5));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(glyph);
    return image;
}

QImage book()
{
    QImage image = blank(16, 16);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // Cover, seen under the open pages.
    p.setPen(QPen(QColor(0x0a, 0x3c, 0x96), 1));
    p.setBrush(QColor(0x1e, 0x6e, 0xd8));
    QPainterPath cover;
    cover.moveTo(0.5, 3.5);
    cover.lineTo(8, 5);
    cover.lineTo(15.5, 3.5);
    cover.lineTo(15.5, 13.5);
    cover.lineTo(8, 15);
    cover.lineTo(0.5, 13.5);
    cover.closeSubpath();
    p.drawPath(cover);
    // Two white pages bending to the spine.
    p.setPen(QPen(QColor(0x70, 0x80, 0x98), 0.8));
    p.setBrush(Qt::white);
    QPainterPath left;
    left.moveTo(1.5, 2.5);
    left.quadTo(5, 1.5, 7.6, 3.5);
    left.lineTo(7.6, 13.2);
    left.quadTo(5, 11.5, 1.5, 12.2);
    left.closeSubpath();
    p.drawPath(left);
    QPainterPath right;
    right.moveTo(14.5, 2.5);
    right.quadTo(11, 1.5, 8.4, 3.5);
    right.lineTo(8.4, 13.2);
    right.quadTo(11, 11.5, 14.5, 12.2);
    right.closeSubpath();
    p.drawPath(right);
    // Lines of text.
    p.setPen(QPen(QColor(0x9a, 0xb4, 0xd8), 0.8));
    for (qreal y = 5.5; y <= 10.5; y += 2.5) {
        p.drawLine(QPointF(3, y), QPointF(6.6, y + 0.3));
        p.drawLine(QPointF(9.4, y + 0.3), QPointF(13, y));
    }
    return image;
}

QImage alarmClock()
{
    QImage image = blank(16, 16);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // Two yellow bells on top.
    p.setPen(QPen(QColor(0x9a, 0x70, 0x00), 0.8));
    p.setBrush(QColor(0xff, 0xcc, 0x1a));
    p.drawPie(QRectF(0.5, 0.5, 7, 7), 40 * 16, 180 * 16);
    p.drawPie(QRectF(8.5, 0.5, 7, 7), -40 * 16, 180 * 16);
    // Little feet.
    p.setPen(QPen(QColor(0x0a, 0x3c, 0x96), 1.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(4, 13.5), QPointF(2.8, 15));
    p.drawLine(QPointF(12, 13.5), QPointF(13.2, 15));
    // Blue face with a white dial.
    QRadialGradient face(QPointF(7, 7), 7);
    face.setColorAt(0, QColor(0x6c, 0xb4, 0xff));
    face.setColorAt(1, QColor(0x1e, 0x6e, 0xd8));
    p.setPen(QPen(QColor(0x0a, 0x3c, 0x96), 1));
    p.setBrush(face);
    p.drawEllipse(QRectF(1.5, 2.5, 13, 13));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(3.5, 4.5, 9, 9));
    // Hands at ten past ten.
    p.setPen(QPen(QColor(0x10, 0x20, 0x40), 1.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(8, 9), QPointF(8, 5.6));
    p.drawLine(QPointF(8, 9), QPointF(10.6, 10.3));
    return image;
}

QImage exitSign()
{
    QImage image = blank(16, 16);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient fill(QPointF(6, 5), 10);
    fill.setColorAt(0, QColor(0xff, 0x6a, 0x5a));
    fill.setColorAt(1, QColor(0xc8, 0x14, 0x14));
    p.setPen(QPen(QColor(0x80, 0x0a, 0x0a), 1));
    p.setBrush(fill);
    p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
    p.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(5, 5), QPointF(11, 11));
    p.drawLine(QPointF(11, 5), QPointF(5, 11));
    return image;
}

QImage donate()
{
    QImage image = blank(140, 54);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QRectF button(6.5, 2.5, 127, 30);
    QLinearGradient fill(0, button.top(), 0, button.bottom());
    fill.setColorAt(0, QColor(0xff, 0xd1, 0x6a));
    fill.setColorAt(0.5, QColor(0xff, 0xa5, 0x1e));
    fill.setColorAt(1, QColor(0xf0, 0x84, 0x00));
    p.setPen(QPen(QColor(0xb8, 0x60, 0x00), 1));
    p.setBrush(fill);
    p.drawRoundedRect(button, 15, 15);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setItalic(true);
    font.setPixelSize(17);
    p.setFont(font);
    p.setPen(QColor(0x1a, 0x2a, 0x5a));
    p.drawText(button, Qt::AlignCenter, QStringLiteral("Donate"));

    // A row of small card logos underneath.
    const QColor cards[][2] = {{QColor(0x1a, 0x1f, 0x71), QColor(0xf7, 0xb6, 0x00)},
                               {QColor(0xeb, 0x00, 0x1b), QColor(0xf7, 0x9e, 0x1b)},
                               {QColor(0x2e, 0x77, 0xbc), QColor(0xff, 0xff, 0xff)},
                               {QColor(0xff, 0x60, 0x00), QColor(0xff, 0xff, 0xff)},
                               {QColor(0x00, 0x30, 0x87), QColor(0x00, 0x9c, 0xde)}};
    const qreal cardWidth = 22, gap = 4;
    qreal x = (140 - (5 * cardWidth + 4 * gap)) / 2;
    for (const auto &card : cards) {
        const QRectF r(x + 0.5, 38.5, cardWidth - 1, 14);
        p.setPen(QPen(QColor(0x80, 0x80, 0x80), 0.8));
        p.setBrush(Qt::white);
        p.drawRoundedRect(r, 2, 2);
        p.setPen(Qt::NoPen);
        p.setBrush(card[0]);
        p.drawRoundedRect(r.adjusted(1.5, 1.5, -1.5, -7), 1, 1);
        p.setBrush(card[1]);
        p.drawEllipse(QRectF(r.center().x() - 3, r.bottom() - 6, 6, 4.5));
        x += cardWidth + gap;
    }
    return image;
}

// --- the Windows icon file ---------------------------------------------------

QVector<QRgb> sixteenColours(const QImage &source)
{
    // Black (for transparent pixels), white, and the blues the design uses.
    QVector<QRgb> table{qRgb(0, 0, 0), qRgb(255, 255, 255)};
    QImage small = source.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AutoColor);
    QVector<QPair<int, QRgb>> counts;
    QVector<int> histogram(small.colorCount());
    for (int y = 0; y < small.height(); ++y)
        for (int x = 0; x < small.width(); ++x)
            if (qAlpha(source.pixel(x, y)) >= 128)
                ++histogram[small.pixelIndex(x, y)];
    for (int i = 0; i < histogram.size(); ++i)
        counts.append({histogram[i], small.color(i)});
    std::sort(counts.begin(), counts.end(), [](auto a, auto b) { return a.first > b.first; });
    for (const auto &c : counts) {
        if (table.size() == 16 || c.first == 0)
            break;
        const QRgb opaque = c.second | 0xff000000;
        if (!table.contains(opaque))
            table.append(opaque);
    }
    while (table.size() < 16)
        table.append(qRgb(0, 0, 0));
    return table;
}

void writeLE16(QByteArray &out, quint16 v)
{
    out.append(char(v & 0xff));
    out.append(char(v >> 8));
}

void writeLE32(QByteArray &out, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xff));
}

// One icon image as a device-independent bitmap with its AND mask, bottom row first.
QByteArray dib(const QImage &argb, int bits)
{
    const int w = argb.width(), h = argb.height();
    QImage indexed;
    QVector<QRgb> palette;
    if (bits == 4) {
        palette = sixteenColours(argb);
        indexed = argb.convertToFormat(QImage::Format_Indexed8, palette, Qt::ThresholdDither);
    } else if (bits == 8) {
        // Over black, so that transparent pixels (masked out anyway) find black in the palette.
        QImage onBlack(w, h, QImage::Format_RGB32);
        onBlack.fill(Qt::black);
        QPainter(&onBlack).drawImage(0, 0, argb);
        indexed = onBlack.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
        palette = indexed.colorTable();
    }
    QByteArray out;
    writeLE32(out, 40);
    writeLE32(out, quint32(w));
    writeLE32(out, quint32(h * 2));
    writeLE16(out, 1);
    writeLE16(out, quint16(bits));
    writeLE32(out, 0);
    const int xorStride = ((w * bits + 31) / 32) * 4;
    const int andStride = ((w + 31) / 32) * 4;
    writeLE32(out, quint32(xorStride * h + andStride * h));
    writeLE32(out, 0);
    writeLE32(out, 0);
    writeLE32(out, bits <= 8 ? quint32(1 << bits) : 0);
    writeLE32(out, 0);
    if (bits <= 8) {
        for (int i = 0; i < (1 << bits); ++i) {
            const QRgb c = i < palette.size() ? palette[i] : 0;
            out.append(char(qBlue(c)));
            out.append(char(qGreen(c)));
            out.append(char(qRed(c)));
            out.append(char(0));
        }
    }
    for (int y = h - 1; y >= 0; --y) {
        QByteArray row(xorStride, '\0');
        for (int x = 0; x < w; ++x) {
            const QRgb px = argb.pixel(x, y);
            const bool clear = qAlpha(px) < 128;
            if (bits == 32) {
                row[x * 4 + 0] = char(qBlue(px));
                row[x * 4 + 1] = char(qGreen(px));
                row[x * 4 + 2] = char(qRed(px));
                row[x * 4 + 3] = char(qAlpha(px));
            } else {
                const int index = clear ? 0 : indexed.pixelIndex(x, y);
                if (bits == 8)
                    row[x] = char(index);
                else
                    row[x / 2] = char(row[x / 2] | (x % 2 ? index : index << 4));
            }
        }
        out.append(row);
    }
    for (int y = h - 1; y >= 0; --y) {
        QByteArray row(andStride, '\0');
        for (int x = 0; x < w; ++x)
            if (qAlpha(argb.pixel(x, y)) < 128)
                row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
        out.append(row);
    }
    return out;
}

QByteArray icoFile()
{
    const struct { int size; int bits; } entries[] = {{32, 4}, {16, 4}, {48, 8}, {32, 8}, {16, 8},
                                                      {128, 32}, {48, 32}, {32, 32}, {16, 32}};
    QList<QByteArray> images;
    for (const auto &e : entries)
        images.append(dib(questionMark(e.size, e.size >= 128), e.bits));
    QByteArray out;
    writeLE16(out, 0);
    writeLE16(out, 1);
    writeLE16(out, quint16(images.size()));
    quint32 offset = 6 + 16 * quint32(images.size());
    for (int i = 0; i < images.size(); ++i) {
        const auto &e = entries[i];
        out.append(char(e.size >= 256 ? 0 : e.size));
        out.append(char(e.size >= 256 ? 0 : e.size));
        out.append(char(e.bits == 4 ? 16 : 0));
        out.append(char(0));
        writeLE16(out, 1);
        writeLE16(out, quint16(e.bits));
        writeLE32(out, quint32(images[i].size()));
        writeLE32(out, offset);
        offset += quint32(images[i].size());
    }
    for (const QByteArray &image : images)
        out.append(image);
    return out;
}

bool save(const QImage &image, const QString &path)
{
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "makeart: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("resources/img");
    QDir().mkpath(dir + QStringLiteral("/res"));
    bool ok = save(questionMark(16, false), dir + QStringLiteral("/16.png"))
        && save(questionMark(22, false), dir + QStringLiteral("/22.png"))
        && save(questionMark(128, true), dir + QStringLiteral("/question_128"))
        && save(book(), dir + QStringLiteral("/book")) && save(alarmClock(), dir + QStringLiteral("/clock"))
        && save(exitSign(), dir + QStringLiteral("/exit"))
        && save(donate(), dir + QStringLiteral("/res/donate.png"));
    QFile ico(dir + QStringLiteral("/question_ico"));
    ok = ok && ico.open(QIODevice::WriteOnly) && ico.write(icoFile()) > 0;
    // Handy for looking at the icon images one by one.
    if (argc > 2) {
        for (int size : {16, 32, 48, 128})
            save(questionMark(size, size >= 128).scaled(size * 4, size * 4),
                 QStringLiteral("%1/preview_%2.png").arg(QString::fromLocal8Bit(argv[2])).arg(size));
    }
    return ok ? 0 : 1;
}
