#include "barlist.h"

#include <QPainter>
#include <QPaintEvent>

#include <algorithm>

BarList::BarList(QWidget *parent)
    : ChartWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

void BarList::setEntries(const QList<SummaryEntry> &list, qint64 all)
{
    entries = list;
    total = all;
    entriesChanged();
    updateGeometry();
    update();
}

QString BarList::nameOf(int entry) const
{
    const QString &name = entries.at(entry).name;
    if (name.isEmpty())
        return emptyName;
    return naming == Names::Programs ? programName(name) : name;
}

QString BarList::entryText(int entry) const
{
    if (entry < 0 || entry >= entries.size())
        return QString();
    const qint64 seconds = entries.at(entry).seconds;
    const QString of = share(seconds, total, QLocale(), 1);
    QString text = tr("%1: %2 (%3)").arg(nameOf(entry), hours(seconds, QLocale()), clock(seconds));
    if (!of.isEmpty())
        text += QStringLiteral(", ") + (shareText.isEmpty() ? of : shareText.arg(of));
    // The full path where the list shows only the file name.
    if (naming == Names::Programs && nameOf(entry) != entries.at(entry).name && !entries.at(entry).name.isEmpty())
        text += QLatin1Char('\n') + entries.at(entry).name;
    return text;
}

int BarList::rowHeight() const
{
    return line() * 3 / 2;
}

QString BarList::figuresOf(int entry) const
{
    return hours(entries.at(entry).seconds, QLocale()) + QStringLiteral("  ")
        + share(entries.at(entry).seconds, total, QLocale());
}

int BarList::figuresWidth() const
{
    int widest = 0;
    for (int i = 0; i < entries.size(); ++i)
        widest = std::max(widest, fontMetrics().horizontalAdvance(figuresOf(i)));
    return widest + line() / 2;
}

QRect BarList::entryRect(int entry) const
{
    if (entry < 0 || entry >= entries.size())
        return QRect();
    return QRect(0, entry * rowHeight(), width(), rowHeight());
}

int BarList::entryAt(const QPoint &point) const
{
    if (point.x() < 0 || point.x() >= width() || point.y() < 0)
        return -1;
    const int entry = point.y() / rowHeight();
    return entry < entries.size() ? entry : -1;
}

QSize BarList::sizeHint() const
{
    return QSize(line() * 24, rowHeight() * int(std::max<qsizetype>(entries.size(), 1)));
}

QSize BarList::minimumSizeHint() const
{
    return QSize(line() * 12, rowHeight() * int(std::min<qsizetype>(std::max<qsizetype>(entries.size(), 1), 3)));
}

QColor BarList::barColor(int entry) const
{
    const QString &name = entries.at(entry).name;
    if (colourKeys.isEmpty())
        return palette().color(QPalette::Highlight);
    const int key = int(colourKeys.indexOf(name));
    return name.isEmpty() || key < 0 ? restColor(palette()) : seriesColor(key, palette());
}

void BarList::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const QRect dirty = event->rect();
    const int row = rowHeight();
    const int pad = line() / 4;
    // Names as wide as the longest needs, up to half the width; the bars take the rest.
    int longestName = 0;
    for (int i = 0; i < entries.size(); ++i)
        longestName = std::max(longestName, fontMetrics().horizontalAdvance(nameOf(i)));
    const int nameWidth = std::clamp(longestName + 2 * pad, line() * 4, std::max(line() * 4, width() / 2));
    const int figures = figuresWidth();
    const int barLeft = nameWidth + pad;
    const int barSpace = std::max(0, width() - barLeft - figures - pad);
    const qint64 longest = entries.isEmpty() ? 0 : std::max<qint64>(entries.first().seconds, 1);
    const QColor text = palette().color(QPalette::WindowText);
    QColor track = palette().color(QPalette::WindowText);
    track.setAlphaF(0.08);
    for (int i = std::max(0, dirty.top() / row); i < entries.size() && i * row <= dirty.bottom(); ++i) {
        const QRect r = entryRect(i);
        if (i == current() && hasFocus()) {
            QColor mark = palette().color(QPalette::Highlight);
            mark.setAlphaF(0.25);
            painter.fillRect(r, mark);
        }
        painter.setPen(text);
        const QRect nameRect(pad, r.top(), nameWidth - pad, row);
        painter.drawText(nameRect, Qt::AlignLeft | Qt::AlignVCenter,
                         fontMetrics().elidedText(nameOf(i), Qt::ElideMiddle, nameRect.width()));
        const QRect trackRect(barLeft, r.top() + row / 4, barSpace, row - row / 2);
        painter.fillRect(trackRect, track);
        // Bars are relative to the longest, so that short lists still show their differences.
        const int length = int(double(barSpace) * std::max<qint64>(entries.at(i).seconds, 0) / longest + 0.5);
        painter.fillRect(QRect(trackRect.topLeft(), QSize(length, trackRect.height())), barColor(i));
        painter.drawText(QRect(width() - figures, r.top(), figures - pad, row), Qt::AlignRight | Qt::AlignVCenter,
                         figuresOf(i));
    }
}
