#include "app/frmupdatecheck.h"

#include "config/messages.h"
#include "config/updatechecker.h"

#include <QEventLoop>

TfrmUpdateCheck::TfrmUpdateCheck(QWidget *parent)
    : QProgressDialog(QString::fromUtf8(Msg::UpdateChecking), QStringLiteral("Cancel"), 0, 0, parent)
{
    setObjectName(QStringLiteral("frmUpdateCheck"));
    setWindowTitle(QStringLiteral("Check for Updates"));
    setWindowModality(Qt::ApplicationModal);
    // Shown and hidden by Fetch alone, not by the dialog's own timer.
    setAutoClose(false);
    setAutoReset(false);
    cancel();
}

std::optional<QString> TfrmUpdateCheck::Fetch()
{
    TDownloadPageFetch fetch;
    if (!fetch.IsFinished()) {
        QEventLoop loop;
        connect(&fetch, &TDownloadPageFetch::Finished, &loop, &QEventLoop::quit);
        const QMetaObject::Connection cancelling =
            connect(this, &QProgressDialog::canceled, &fetch, &TDownloadPageFetch::Cancel);
        reset();
        show();
        loop.exec();
        disconnect(cancelling);
        hide();
    }
    if (fetch.Cancelled())
        return std::nullopt;
    return fetch.Page();
}
