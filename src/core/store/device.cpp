#include "store/device.h"

TSchedule &DeviceSchedule()
{
    static TSchedule schedule(QStringLiteral("DEVICE"), 0, false);
    return schedule;
}

TCalendar &DeviceCalendar()
{
    static TCalendar calendar(QStringLiteral("DEVICE"), 0, false);
    return calendar;
}
