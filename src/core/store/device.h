#pragma once
#include "store/calendar.h"
#include "store/schedule.h"

// The beacon's own schedule and calendar: memory mode, named "DEVICE", ID 0,
// created on first use (start-up calls both) and living for the whole process.
TSchedule &DeviceSchedule();
TCalendar &DeviceCalendar();
