#include "app/application.h"

#include "config/errorhandler.h"
#include "config/version.h"
#include "widgets/pictures.h"

#include <QMetaObject>

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Pavoline Beacon Control System"));
    setOrganizationName(QStringLiteral("Orvella Works"));
    setDesktopFileName(ApplicationId());
    setWindowIcon(Icon(QStringLiteral("app"), 64));
}

bool TApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        const std::exception_ptr error = std::current_exception();
        QMetaObject::invokeMethod(
            this, [error] { HandleUnexpectedException(error); }, Qt::QueuedConnection);
        return false;
    }
}
