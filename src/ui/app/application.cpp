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
    // Taken now: the handler may have deleted its receiver before it threw.
    const char *const receiverClass = receiver->metaObject()->className();
    const QEvent::Type type = event->type();
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        // The exception has already come back through Qt's dispatch, which is
        // not exception-safe (an input event's copies leak, for one); only
        // RunAction at the handler avoids that, so name the handler to mend.
        qWarning("An exception escaped the handler of event %d on %s; it belongs behind RunAction.", int(type),
                 receiverClass);
        // Reported from the event loop, not from inside the event that failed.
        const std::exception_ptr error = std::current_exception();
        QMetaObject::invokeMethod(
            this, [error] { HandleUnexpectedException(error); }, Qt::QueuedConnection);
        return false;
    }
}
