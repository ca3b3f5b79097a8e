#include "link/byteline.h"

#include "link/netline.h"
#include "link/serialline.h"

std::unique_ptr<TByteLine> MakeByteLine(const QString &portName)
{
    if (!IsNetworkAddress(portName))
        return std::make_unique<TSerialByteLine>(portName);
    TNetAddress address;
    QString why;
    if (!ParseNetAddress(portName, address, why))
        throw ELineOpenError(ELineOpenError::Cause::Other, why);
    return std::make_unique<TNetByteLine>(portName, address);
}
