#include "desktopnotice.h"

#include <QCoreApplication>
#include <QList>
#include <QMessageBox>
#include <QPointer>

#include <utility>

namespace DesktopNotice {

namespace {

// Notices nobody closed yet. They have no parent, so they go when the
// application does, before the window system they were shown on.
QList<QPointer<QMessageBox>> &openNotices()
{
    static QList<QPointer<QMessageBox>> notices;
    return notices;
}

void closeOpenNotices()
{
    const QList<QPointer<QMessageBox>> notices = std::exchange(openNotices(), {});
    for (const QPointer<QMessageBox> &box : notices)
        delete box.data();
}

} // namespace

void show(const QString &title, const QString &text)
{
    if (viaNotificationService(title, text))
        return;
    auto *box = new QMessageBox(QMessageBox::Information, title, text, QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    // Closing the notice must not end kesto as closing its last window would.
    box->setAttribute(Qt::WA_QuitOnClose, false);
    box->setModal(false);
    QList<QPointer<QMessageBox>> &notices = openNotices();
    if (notices.isEmpty())
        qAddPostRoutine(closeOpenNotices);
    notices.removeAll(nullptr);
    notices.append(box);
    box->show();
}

} // namespace DesktopNotice
