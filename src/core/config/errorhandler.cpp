#include "config/errorhandler.h"

#include "config/exceptions.h"
#include "config/messageservice.h"

#include <QtGlobal>

QString ExceptionText(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const Exception &e) {
        return e.Message();
    } catch (const std::exception &e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("Unknown error.");
    }
}

void HandleUnexpectedException(std::exception_ptr error) noexcept
{
    try {
        Messages().Error(ExceptionText(error));
    } catch (...) {
        // The report itself failed (a broken message service): nothing is left
        // to tell the operator with, but the program must go on.
        qWarning("unexpected error could not be reported");
    }
}
