#include "chartwidget.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFileInfo>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPalette>
#include <QPointer>
#include <QToolTip>

#include <cmath>

namespace {

// One entry of a chart, as a list item.
class EntryInterface : public QAccessibleInterface
{
public:
    EntryInterface(ChartWidget *chart, int entry)
        : chart(chart)
        , entry(entry)
    {
    }

    bool isValid() const override { return chart && entry < chart->entryCount(); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return chart ? chart->window()->windowHandle() : nullptr; }
    QAccessibleInterface *parent() const override
    {
        return chart ? QAccessible::queryAccessibleInterface(chart) : nullptr;
    }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    void setText(QAccessible::Text, const QString &) override {}
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QString text(QAccessible::Text t) const override
    {
        return isValid() && t == QAccessible::Name ? chart->entryText(entry) : QString();
    }
    QRect rect() const override
    {
        if (!isValid())
            return QRect();
        const QRect r = chart->entryRect(entry);
        return r.isEmpty() ? QRect() : QRect(chart->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        state.readOnly = true;
        state.invisible = rect().isEmpty();
        state.offscreen = !chart->visibleRegion().intersects(chart->entryRect(entry));
        return state;
    }
    int number() const { return entry; }

private:
    QPointer<ChartWidget> chart;
    int entry;
};

class ChartInterface : public QAccessibleWidget
{
public:
    explicit ChartInterface(ChartWidget *chart)
        : QAccessibleWidget(chart, QAccessible::List)
    {
    }
    ~ChartInterface() override
    {
        for (const QAccessible::Id id : std::as_const(items))
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return chart()->entryCount(); }
    QAccessibleInterface *child(int i) const override
    {
        if (i < 0 || i >= chart()->entryCount())
            return nullptr;
        // Made when asked for and kept: a screen reader asks for the same few again and again.
        while (items.size() <= i)
            items << QAccessible::registerAccessibleInterface(new EntryInterface(chart(), int(items.size())));
        return QAccessible::accessibleInterface(items.at(i));
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        const auto *entry = dynamic_cast<const EntryInterface *>(child);
        return entry && entry->isValid() ? entry->number() : -1;
    }
    QAccessibleInterface *childAt(int x, int y) const override
    {
        return child(chart()->entryAt(chart()->mapFromGlobal(QPoint(x, y))));
    }
    QString text(QAccessible::Text t) const override
    {
        // The whole picture in words, for readers that do not walk the items.
        if (t == QAccessible::Description && widget()->accessibleDescription().isEmpty())
            return chart()->entriesText();
        return QAccessibleWidget::text(t);
    }

private:
    ChartWidget *chart() const { return static_cast<ChartWidget *>(widget()); }

    mutable QList<QAccessible::Id> items;
};

// Relative luminance (WCAG 2).
double luminance(const QColor &c)
{
    auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

} // namespace

ChartWidget::ChartWidget(QWidget *parent)
    : QWidget(parent)
{
    static const bool accessible = (QAccessible::installFactory(&ChartAccessible::create), true);
    Q_UNUSED(accessible);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
}

QString ChartWidget::toolTipAt(const QPoint &point) const
{
    return entryText(entryAt(point));
}

QString ChartWidget::entriesText() const
{
    QStringList lines;
    for (int i = 0; i < entryCount(); ++i)
        lines << entryText(i);
    return lines.join(QLatin1Char('\n'));
}

QColor ChartWidget::seriesColor(int n, const QPalette &palette)
{
    // Hues far apart, in an order where neighbours differ most; lightness
    // chosen against the background so that each stands out from it.
    static const int hues[] = {210, 30, 130, 340, 50, 270, 180, 0, 90, 300};
    const int count = int(sizeof hues / sizeof hues[0]);
    const bool dark = palette.color(QPalette::Window).lightnessF() < 0.5;
    const int hue = hues[((n % count) + count) % count];
    // Later rounds of the same hues differ in lightness.
    const double round = (n / count) % 2 ? 0.1 : 0.0;
    return QColor::fromHslF(hue / 360.0, 0.65, dark ? 0.66 + round : 0.34 - round).toRgb();
}

QColor ChartWidget::restColor(const QPalette &palette)
{
    const bool dark = palette.color(QPalette::Window).lightnessF() < 0.5;
    return QColor::fromHslF(0, 0, dark ? 0.62 : 0.45).toRgb();
}

double ChartWidget::contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QString ChartWidget::clock(qint64 seconds)
{
    const qint64 s = std::max<qint64>(seconds, 0);
    return QStringLiteral("%1:%2:%3")
        .arg(s / 3600)
        .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}

QString ChartWidget::hours(qint64 seconds, const QLocale &locale)
{
    return tr("%1 h").arg(locale.toString(seconds / 3600.0, 'f', 1));
}

QString ChartWidget::share(qint64 part, qint64 total, const QLocale &locale, int decimals)
{
    if (total <= 0)
        return QString();
    return tr("%1 %").arg(locale.toString(100.0 * part / total, 'f', decimals));
}

QString ChartWidget::programName(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    return name.isEmpty() ? path : name;
}

int ChartWidget::line() const
{
    return fontMetrics().height();
}

void ChartWidget::entriesChanged()
{
    setCurrent(-1);
    if (QAccessible::isActive()) {
        QAccessibleEvent changed(this, QAccessible::ObjectReorder);
        QAccessible::updateAccessibility(&changed);
    }
}

void ChartWidget::setCurrent(int entry)
{
    if (entry == focused)
        return;
    focused = entry;
    update();
    if (entry >= 0 && QAccessible::isActive()) {
        QAccessibleEvent moved(this, QAccessible::Focus);
        moved.setChild(entry);
        QAccessible::updateAccessibility(&moved);
    }
}

bool ChartWidget::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        const int entry = entryAt(help->pos());
        if (entry < 0) {
            QToolTip::hideText();
            event->ignore();
        } else {
            QToolTip::showText(help->globalPos(), entryText(entry), this, entryRect(entry));
        }
        return true;
    }
    return QWidget::event(event);
}

void ChartWidget::mouseReleaseEvent(QMouseEvent *event)
{
    const int entry = entryAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && entry >= 0) {
        setCurrent(entry);
        emit entryActivated(entry);
    }
}

void ChartWidget::keyPressEvent(QKeyEvent *event)
{
    // The arrows walk the entries, the tooltip showing each one's figures.
    const int count = entryCount();
    int next = focused;
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        next = std::max(0, focused - 1);
        break;
    case Qt::Key_Right:
    case Qt::Key_Down:
        next = std::min(count - 1, focused + 1);
        break;
    case Qt::Key_Home:
        next = 0;
        break;
    case Qt::Key_End:
        next = count - 1;
        break;
    case Qt::Key_Space:
        if (focused >= 0)
            emit entryActivated(focused);
        return;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    if (count == 0)
        return;
    setCurrent(next);
    const QRect r = entryRect(next);
    if (!r.isEmpty())
        QToolTip::showText(mapToGlobal(r.bottomLeft()), entryText(next), this, r);
}

void ChartWidget::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    update();
}

namespace ChartAccessible {

QAccessibleInterface *create(const QString &className, QObject *object)
{
    if (className == QLatin1String("ChartWidget") && object && object->isWidgetType())
        return new ChartInterface(static_cast<ChartWidget *>(object));
    return nullptr;
}

} // namespace ChartAccessible
