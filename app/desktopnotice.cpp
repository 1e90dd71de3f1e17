#include "desktopnotice.h"

#include <QMessageBox>

namespace DesktopNotice {

void show(const QString &title, const QString &text)
{
    if (viaNotificationService(title, text))
        return;
    auto *box = new QMessageBox(QMessageBox::Information, title, text, QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    // Closing the notice must not end kesto as closing its last window would.
    box->setAttribute(Qt::WA_QuitOnClose, false);
    box->setModal(false);
    box->show();
}

} // namespace DesktopNotice
