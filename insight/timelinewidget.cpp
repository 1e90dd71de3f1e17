#include "timelinewidget.h"

#include <QHash>
#include <QPainter>

#include <algorithm>

namespace {

// Programs get colours of their own up to this many; the rest share grey.
constexpr int kColouredPrograms = 8;

} // namespace

TimelineWidget::TimelineWidget(QWidget *parent)
    : ChartWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void TimelineWidget::setDay(const TimelineDay &day)
{
    shown = day;
    items.clear();
    first = QDateTime();
    last = QDateTime();
    auto extend = [this](const QDateTime &from, const QDateTime &to) {
        if (!from.isValid())
            return;
        if (!first.isValid() || from < first)
            first = from;
        if (!last.isValid() || to > last)
            last = to;
    };
    QHash<QString, qint64> categoryTime;
    QHash<QString, qint64> programTime;
    for (int i = 0; i < day.stretches.size(); ++i) {
        const TimelineDay::Stretch &s = day.stretches.at(i);
        const QDateTime end = s.start.addSecs(std::max<qint64>(s.seconds, 0));
        items.append({Kind::Stretch, i, s.start, end});
        extend(s.start, end);
        if (!s.category.isEmpty())
            categoryTime[s.category] += s.seconds;
        programTime[s.program] += s.seconds;
    }
    for (int i = 0; i < day.answers.size(); ++i) {
        items.append({Kind::Answer, i, day.answers.at(i).at, day.answers.at(i).at});
        extend(day.answers.at(i).at, day.answers.at(i).at);
    }
    for (int i = 0; i < day.away.size(); ++i) {
        items.append({Kind::Away, i, day.away.at(i).start, day.away.at(i).end});
        extend(day.away.at(i).start, day.away.at(i).end);
    }
    std::stable_sort(items.begin(), items.end(), [](const Item &a, const Item &b) { return a.start < b.start; });
    if (first.isValid() && first.secsTo(last) < 60)
        last = first.addSecs(60);

    // Most time first, so that the colours go to what the day was mostly.
    byCategory = !categoryTime.isEmpty();
    const QHash<QString, qint64> &time = byCategory ? categoryTime : programTime;
    colourKeys = time.keys();
    std::sort(colourKeys.begin(), colourKeys.end(), [&time](const QString &a, const QString &b) {
        return time.value(a) != time.value(b) ? time.value(a) > time.value(b) : a < b;
    });
    if (!byCategory && colourKeys.size() > kColouredPrograms)
        colourKeys = colourKeys.mid(0, kColouredPrograms);
    entriesChanged();
    updateGeometry();
    update();
}

QString TimelineWidget::keyName(const QString &key) const
{
    return byCategory ? key : programName(key);
}

QColor TimelineWidget::stretchColor(int stretch) const
{
    const TimelineDay::Stretch &s = shown.stretches.at(stretch);
    const int key = int(colourKeys.indexOf(byCategory ? s.category : s.program));
    return key < 0 ? restColor(palette()) : seriesColor(key, palette());
}

QString TimelineWidget::timeText(const QDateTime &at) const
{
    // The day's own times without a date; a span reaching into the next day with it.
    if (at.date() == shown.day || !shown.day.isValid())
        return QLocale().toString(at.time(), QStringLiteral("HH:mm:ss"));
    return QLocale().toString(at, QStringLiteral("d MMM HH:mm:ss"));
}

QString TimelineWidget::entryText(int entry) const
{
    if (entry < 0 || entry >= items.size())
        return QString();
    const Item &item = items.at(entry);
    switch (item.kind) {
    case Kind::Stretch: {
        const TimelineDay::Stretch &s = shown.stretches.at(item.index);
        QString text = tr("%1 to %2 (%3): %4").arg(timeText(item.start), timeText(item.end), clock(s.seconds),
                                                  programName(s.program));
        if (!s.title.isEmpty())
            text += QStringLiteral(" – ") + s.title;
        if (!s.category.isEmpty())
            text += tr(" [%1]").arg(s.category);
        return text;
    }
    case Kind::Answer:
        return tr("%1: answered \"%2\"").arg(timeText(item.start), shown.answers.at(item.index).text);
    case Kind::Away:
        return tr("%1 to %2 (%3): away").arg(timeText(item.start), timeText(item.end),
                                            clock(item.start.secsTo(item.end)));
    }
    return QString();
}

TimelineWidget::Lanes TimelineWidget::lanes() const
{
    Lanes l;
    const int pad = line() / 2;
    const int w = std::max(1, width() - 2 * pad);
    l.ruler = pad;
    l.band = QRect(pad, pad + line() + line() / 4, w, line() * 2);
    l.away = QRect(pad, l.band.bottom() + 1 + line() / 4, w, line() * 3 / 4);
    l.answers = QRect(pad, l.away.bottom() + 1 + line() / 4, w, line() * 3 / 2);
    l.legend = l.answers.bottom() + 1 + line() / 2;
    return l;
}

double TimelineWidget::xOf(const QDateTime &at, const QRect &lane) const
{
    const qint64 span = std::max<qint64>(1, first.secsTo(last));
    return lane.left() + double(lane.width()) * first.secsTo(at) / span;
}

QRect TimelineWidget::entryRect(int entry) const
{
    if (entry < 0 || entry >= items.size())
        return QRect();
    const Item &item = items.at(entry);
    const Lanes l = lanes();
    const int half = line() / 3;
    switch (item.kind) {
    case Kind::Stretch: {
        const int left = int(xOf(item.start, l.band));
        const int right = int(xOf(item.end, l.band) + 0.5);
        return QRect(left, l.band.top(), std::max(1, right - left), l.band.height());
    }
    case Kind::Answer: {
        const int x = int(xOf(item.start, l.band) + 0.5);
        return QRect(x - half, l.band.top(), 2 * half + 1, l.answers.bottom() - l.band.top() + 1);
    }
    case Kind::Away: {
        const int left = int(xOf(item.start, l.away));
        const int right = int(xOf(item.end, l.away) + 0.5);
        return QRect(left, l.away.top(), std::max(1, right - left), l.away.height());
    }
    }
    return QRect();
}

int TimelineWidget::entryAt(const QPoint &point) const
{
    // Answer marks first: they are thin and lie over the band.
    for (int i = 0; i < items.size(); ++i) {
        if (items.at(i).kind == Kind::Answer && entryRect(i).contains(point))
            return i;
    }
    const Lanes l = lanes();
    const Kind lane = l.band.contains(point) ? Kind::Stretch : l.away.contains(point) ? Kind::Away : Kind::Answer;
    if (lane == Kind::Answer)
        return -1;
    // The nearest of the lane's entries within a few pixels: a stretch of a
    // few seconds is narrower than one.
    int best = -1;
    int distance = line() / 4 + 1;
    for (int i = 0; i < items.size(); ++i) {
        if (items.at(i).kind != lane)
            continue;
        const QRect r = entryRect(i);
        const int d = point.x() < r.left() ? r.left() - point.x() : point.x() > r.right() ? point.x() - r.right() : 0;
        if (d < distance || (d == 0 && distance == 0)) {
            best = i;
            distance = d;
        }
    }
    return best;
}

QSize TimelineWidget::sizeHint() const
{
    return QSize(line() * 48, lanes().legend + line() * 5 / 2);
}

QSize TimelineWidget::minimumSizeHint() const
{
    return QSize(line() * 16, sizeHint().height());
}

void TimelineWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const Lanes l = lanes();
    const QColor text = palette().color(QPalette::WindowText);
    if (!first.isValid()) {
        painter.setPen(text);
        painter.drawText(rect(), Qt::AlignCenter, tr("Nothing was recorded on this day."));
        return;
    }
    QColor track = text;
    track.setAlphaF(0.08);
    painter.fillRect(l.band, track);

    // Whole hours along the top, as many as fit.
    const int labelWidth = fontMetrics().horizontalAdvance(QStringLiteral("00:00")) + line();
    const qint64 span = std::max<qint64>(1, first.secsTo(last));
    int stepHours = 1;
    while (stepHours < 24 && double(l.band.width()) * stepHours * 3600 / span < labelWidth)
        ++stepHours;
    QDateTime hour(first.date(), QTime(first.time().hour(), 0));
    if (hour < first)
        hour = hour.addSecs(3600);
    QColor grid = text;
    grid.setAlphaF(0.25);
    for (; hour <= last; hour = hour.addSecs(3600)) {
        if (hour.time().hour() % stepHours)
            continue;
        const int x = int(xOf(hour, l.band) + 0.5);
        painter.setPen(grid);
        painter.drawLine(x, l.band.top() - line() / 4, x, l.answers.top());
        painter.setPen(text);
        // Kept inside the widget at both ends.
        const int labelLeft = std::clamp(x - labelWidth / 2, 0, std::max(0, width() - labelWidth));
        painter.drawText(QRect(labelLeft, l.ruler, labelWidth, line()), Qt::AlignCenter,
                         QLocale().toString(hour.time(), QStringLiteral("HH:mm")));
    }

    for (int i = 0; i < items.size(); ++i) {
        const Item &item = items.at(i);
        if (item.kind == Kind::Stretch)
            painter.fillRect(entryRect(i), stretchColor(item.index));
    }
    const QBrush awayBrush(text, Qt::BDiagPattern);
    for (int i = 0; i < items.size(); ++i) {
        if (items.at(i).kind != Kind::Away)
            continue;
        const QRect r = entryRect(i);
        painter.fillRect(r, awayBrush);
        painter.setPen(text);
        painter.drawRect(r.adjusted(0, 0, -1, -1));
    }
    // Answers: a line through the band and the text beside it, cut where the next one begins.
    QList<int> answerItems;
    for (int i = 0; i < items.size(); ++i) {
        if (items.at(i).kind == Kind::Answer)
            answerItems << i;
    }
    for (int n = 0; n < answerItems.size(); ++n) {
        const Item &item = items.at(answerItems.at(n));
        const int x = int(xOf(item.start, l.band) + 0.5);
        QPen pen(text, std::max(1, line() / 8));
        painter.setPen(pen);
        painter.drawLine(x, l.band.top(), x, l.answers.top() + line() / 2);
        const QPolygon tip({QPoint(x - line() / 3, l.answers.top()), QPoint(x + line() / 3, l.answers.top()),
                            QPoint(x, l.answers.top() - line() / 3)});
        painter.setBrush(text);
        painter.drawPolygon(tip);
        painter.setBrush(Qt::NoBrush);
        const int next = n + 1 < answerItems.size() ? int(xOf(items.at(answerItems.at(n + 1)).start, l.band))
                                                     : l.answers.right();
        const int room = next - x - line() / 2;
        if (room > line() * 2)
            painter.drawText(QRect(x + line() / 3, l.answers.top() + line() / 3, room, line()),
                             Qt::AlignLeft | Qt::AlignVCenter,
                             fontMetrics().elidedText(shown.answers.at(item.index).text, Qt::ElideRight, room));
    }
    if (current() >= 0 && hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
        painter.drawRect(entryRect(current()).adjusted(-1, -1, 0, 0));
    }

    // The legend: what the colours stand for.
    int x = l.band.left();
    int y = l.legend;
    const int swatch = line() * 3 / 4;
    auto legendItem = [&](const QString &name, const QBrush &brush) {
        const int w = swatch + line() / 3 + fontMetrics().horizontalAdvance(name) + line();
        if (x > l.band.left() && x + w > width())
            return;
        painter.fillRect(QRect(x, y + (line() - swatch) / 2, swatch, swatch), brush);
        painter.setPen(text);
        painter.drawText(QRect(x + swatch + line() / 3, y, w, line()), Qt::AlignLeft | Qt::AlignVCenter, name);
        x += w;
    };
    for (int k = 0; k < colourKeys.size(); ++k)
        legendItem(keyName(colourKeys.at(k)), seriesColor(k, palette()));
    legendItem(byCategory ? tr("No category") : tr("Other programs"), restColor(palette()));
    legendItem(tr("Away"), awayBrush);
}
