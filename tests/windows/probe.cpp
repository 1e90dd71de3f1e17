// A Qt plugin the wine test loads into the installed kesto.exe
// (QT_QPA_GENERIC_PLUGINS=kestoprobe): it writes what kesto shows, with
// screen positions, to the file named by KESTO_PROBE. The test drives kesto
// through the X server with xdotool, which cannot read widget texts or tell
// where a menu entry is.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QGenericPlugin>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSaveFile>
#include <QTextStream>
#include <QTimer>
#include <QAbstractItemView>

namespace {

QString place(const QWidget *w, const QRect &local)
{
    const QPoint at = w->mapToGlobal(local.topLeft());
    return QStringLiteral("%1 %2 %3 %4").arg(at.x()).arg(at.y()).arg(local.width()).arg(local.height());
}

QString textOf(const QWidget *w)
{
    if (auto *label = qobject_cast<const QLabel *>(w))
        return label->text().simplified();
    if (auto *button = qobject_cast<const QAbstractButton *>(w))
        return button->text();
    if (auto *combo = qobject_cast<const QComboBox *>(w))
        return combo->currentText();
    if (auto *edit = qobject_cast<const QLineEdit *>(w))
        return edit->text();
    return QString();
}

void items(QTextStream &out, const QAbstractItemModel *model, const QModelIndex &parent, int depth)
{
    for (int row = 0; row < model->rowCount(parent); ++row) {
        QStringList texts;
        for (int c = 0; c < model->columnCount(parent); ++c)
            texts << model->index(row, c, parent).data().toString();
        out << "item\t" << depth << '\t' << texts.join('\t') << '\n';
        items(out, model, model->index(row, 0, parent), depth + 1);
    }
}

class Probe : public QObject
{
public:
    explicit Probe(const QString &path)
        : path(path)
    {
        connect(&timer, &QTimer::timeout, this, &Probe::dump);
        timer.start(250);
    }

private:
    void dump()
    {
        QString text;
        QTextStream out(&text);
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (!top->isVisible())
                continue;
            out << "window\t" << top->metaObject()->className() << '\t' << place(top, top->rect()) << '\t'
                << (top->isFullScreen() ? "fullscreen" : "normal") << '\t' << top->windowTitle() << '\n';
            if (auto *menu = qobject_cast<QMenu *>(top)) {
                for (QAction *action : menu->actions()) {
                    if (!action->isSeparator() && action->isVisible())
                        out << "action\t" << action->text() << '\t' << place(menu, menu->actionGeometry(action)) << '\n';
                }
            }
            for (QWidget *w : top->findChildren<QWidget *>()) {
                if (w->isVisible() && !w->objectName().isEmpty() && !w->objectName().startsWith("qt_"))
                    out << "widget\t" << w->objectName() << '\t' << place(w, w->rect()) << '\t' << textOf(w) << '\n';
            }
            // Trees: the Activity Log's is a view of its own, not a QTreeView.
            for (QAbstractItemView *tree : top->findChildren<QAbstractItemView *>()) {
                if (tree->model() && (tree->inherits("QTreeView") || tree->inherits("ReportTree")))
                    items(out, tree->model(), QModelIndex(), 0);
            }
        }
        out.flush();
        if (written && text == last)
            return;
        QSaveFile file(path);
        written = file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) >= 0 && file.commit();
        last = text;
    }

    QString path;
    QString last;
    bool written = false;
    QTimer timer;
};

} // namespace

class KestoProbePlugin : public QGenericPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "probe.json")

public:
    QObject *create(const QString &, const QString &) override
    {
        return new Probe(qEnvironmentVariable("KESTO_PROBE"));
    }
};

#include "probe.moc"
