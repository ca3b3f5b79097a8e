#pragma once
#include "store/calendar.h"
#include "store/schedule.h"

// The controller holds this many records in each of its two tables.
inline constexpr int BeaconTableSlots = 16;

// The beacon's own schedule and calendar: memory mode, named "DEVICE", ID 0,
// created on first use (start-up calls both) and living for the whole process.
TSchedule &DeviceSchedule();
TCalendar &DeviceCalendar();
