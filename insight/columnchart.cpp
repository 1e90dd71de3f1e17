#include "columnchart.h"

#include <QPainter>
#include <QPaintEvent>

ColumnChart::ColumnChart(QWidget *parent)
    : ChartWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void ColumnChart::setSummary(const Summary &summary, bool programKeys)
{
    columns = summary.columns;
    keys = summary.stackKeys;
    weekly = summary.weekly;
    programs = programKeys;
    entriesChanged();
    updateGeometry();
    update();
}

QString ColumnChart::keyName(int key) const
{
    const QString &name = keys.value(key);
    if (name.isEmpty())
        return restName;
    return programs ? programName(name) : name;
}

QColor ColumnChart::keyColor(int key) const
{
    return keys.value(key).isEmpty() ? restColor(palette()) : seriesColor(key, palette());
}

QString ColumnChart::columnCaption(int entry, bool brief) const
{
    const SummaryColumn &column = columns.at(entry);
    if (brief)
        return QLocale().toString(column.first, QStringLiteral("d MMM"));
    if (!weekly && column.first == column.last)
        return QLocale().toString(column.first, QLocale::LongFormat);
    return tr("%1 to %2").arg(QLocale().toString(column.first, QLocale::ShortFormat),
                             QLocale().toString(column.last, QLocale::ShortFormat));
}

QString ColumnChart::entryText(int entry) const
{
    if (entry < 0 || entry >= columns.size())
        return QString();
    const SummaryColumn &column = columns.at(entry);
    qint64 recorded = 0;
    QStringList parts;
    for (int k = 0; k < column.seconds.size(); ++k) {
        recorded += column.seconds.at(k);
        if (column.seconds.at(k) > 0)
            parts << tr("%1 %2").arg(keyName(k), hours(column.seconds.at(k), QLocale()));
    }
    QString text = tr("%1: %2 recorded (%3)").arg(columnCaption(entry, false), hours(recorded, QLocale()), clock(recorded));
    if (!parts.isEmpty())
        text += QStringLiteral(": ") + parts.join(QStringLiteral(", "));
    text += tr("; away %1 (%2)").arg(hours(column.away, QLocale()), clock(column.away));
    return text;
}

QList<QPair<QString, QColor>> ColumnChart::legend() const
{
    QList<QPair<QString, QColor>> items;
    for (int k = 0; k < keys.size(); ++k)
        items.append({keyName(k), keyColor(k)});
    return items;
}

int ColumnChart::legendHeight(int available) const
{
    // Swatch and name side by side, wrapping like words; "Away" last.
    const int swatch = line();
    int x = 0;
    int lines = 1;
    auto place = [&](const QString &name) {
        const int w = swatch + line() / 3 + fontMetrics().horizontalAdvance(name) + line();
        if (x > 0 && x + w > available) {
            ++lines;
            x = 0;
        }
        x += w;
    };
    for (const auto &item : legend())
        place(item.first);
    place(tr("Away"));
    return lines * line() * 5 / 4;
}

ColumnChart::Geometry ColumnChart::geometry() const
{
    Geometry g;
    qint64 highest = 0;
    for (const SummaryColumn &column : columns) {
        qint64 sum = 0;
        for (qint64 s : column.seconds)
            sum += s;
        highest = std::max({highest, sum, column.away});
    }
    // Grid lines at whole hours, no more than about five of them.
    const qint64 steps[] = {3600, 2 * 3600, 4 * 3600, 6 * 3600, 12 * 3600, 24 * 3600, 48 * 3600, 96 * 3600};
    g.step = steps[0];
    for (qint64 step : steps) {
        g.step = step;
        if (highest <= step * 5)
            break;
    }
    g.top = std::max<qint64>(g.step, (highest + g.step - 1) / g.step * g.step);
    const int axis = fontMetrics().horizontalAdvance(hours(g.top, QLocale())) + line() / 2;
    const int legend = legendHeight(width() - axis);
    const int pad = line() / 2;
    g.plot = QRect(axis, pad, std::max(1, width() - axis - pad), std::max(1, height() - pad - line() * 3 / 2 - legend));
    g.legendTop = g.plot.bottom() + line() * 3 / 2;
    g.slot = columns.isEmpty() ? g.plot.width() : std::max(1, g.plot.width() / int(columns.size()));
    return g;
}

QRect ColumnChart::entryRect(int entry) const
{
    if (entry < 0 || entry >= columns.size())
        return QRect();
    const Geometry g = geometry();
    return QRect(g.plot.left() + entry * g.slot, g.plot.top(), g.slot, g.plot.height());
}

int ColumnChart::entryAt(const QPoint &point) const
{
    const Geometry g = geometry();
    if (!g.plot.adjusted(0, 0, 0, line() * 3 / 2).contains(point) || columns.isEmpty())
        return -1;
    const int entry = (point.x() - g.plot.left()) / g.slot;
    return entry < columns.size() ? entry : -1;
}

QSize ColumnChart::sizeHint() const
{
    return QSize(line() * 36, line() * 16);
}

QSize ColumnChart::minimumSizeHint() const
{
    return QSize(line() * 16, line() * 10);
}

void ColumnChart::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const Geometry g = geometry();
    const QColor text = palette().color(QPalette::WindowText);
    QColor grid = text;
    grid.setAlphaF(0.2);

    // Hour lines and their labels.
    for (qint64 at = 0; at <= g.top; at += g.step) {
        const int y = g.plot.bottom() - int(double(g.plot.height()) * at / g.top);
        painter.setPen(grid);
        painter.drawLine(g.plot.left(), y, g.plot.right(), y);
        painter.setPen(text);
        painter.drawText(QRect(0, y - line() / 2, g.plot.left() - line() / 4, line()), Qt::AlignRight | Qt::AlignVCenter,
                         hours(at, QLocale()));
    }

    // Captions below the columns, as many as fit side by side.
    const int captionWidth = fontMetrics().horizontalAdvance(QStringLiteral("00 MMMM")) + line() / 2;
    const int every = std::max(1, (captionWidth + g.slot - 1) / g.slot);
    const int barWidth = std::max(1, g.slot * 11 / 20);
    const int awayWidth = std::max(1, g.slot / 5);
    QBrush awayBrush(text, Qt::BDiagPattern);
    for (int i = 0; i < columns.size(); ++i) {
        const SummaryColumn &column = columns.at(i);
        const int left = g.plot.left() + i * g.slot + std::max(1, g.slot / 10);
        if (i == current() && hasFocus()) {
            QColor mark = palette().color(QPalette::Highlight);
            mark.setAlphaF(0.2);
            painter.fillRect(entryRect(i), mark);
        }
        int bottom = g.plot.bottom();
        for (int k = 0; k < column.seconds.size(); ++k) {
            const int h = int(double(g.plot.height()) * column.seconds.at(k) / g.top + 0.5);
            if (h <= 0)
                continue;
            painter.fillRect(QRect(left, bottom - h + 1, barWidth, h), keyColor(k));
            bottom -= h;
        }
        if (column.away > 0) {
            const int h = std::max(1, int(double(g.plot.height()) * column.away / g.top + 0.5));
            const QRect away(left + barWidth, g.plot.bottom() - h + 1, awayWidth, h);
            painter.fillRect(away, awayBrush);
            painter.setPen(text);
            painter.drawRect(away.adjusted(0, 0, -1, -1));
        }
        if (i % every == 0) {
            painter.setPen(text);
            painter.drawText(QRect(g.plot.left() + i * g.slot, g.plot.bottom() + line() / 4, captionWidth, line()),
                             Qt::AlignLeft | Qt::AlignVCenter, columnCaption(i, true));
        }
    }

    // The legend.
    int x = g.plot.left();
    int y = g.legendTop;
    const int swatch = line() * 3 / 4;
    auto item = [&](const QString &name, const QBrush &brush) {
        const int w = swatch + line() / 3 + fontMetrics().horizontalAdvance(name) + line();
        if (x > g.plot.left() && x + w > width()) {
            x = g.plot.left();
            y += line() * 5 / 4;
        }
        const QRect box(x, y + (line() - swatch) / 2, swatch, swatch);
        painter.fillRect(box, brush);
        painter.setPen(text);
        painter.drawText(QRect(x + swatch + line() / 3, y, w, line()), Qt::AlignLeft | Qt::AlignVCenter, name);
        x += w;
    };
    for (int k = 0; k < keys.size(); ++k)
        item(keyName(k), keyColor(k));
    item(tr("Away"), awayBrush);
}
