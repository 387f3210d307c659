// Dates as the programs store them: days since 30 December 1899 with the time of day as
// the fraction (before that day the fraction still counts forward from midnight).
#pragma once
#include <windows.h>

namespace VBDate {

// Whole seconds; milliseconds are dropped. False for a time before 1601.
bool ToSystemTime(double date, SYSTEMTIME& st);
double FromSystemTime(const SYSTEMTIME& st);

}  // namespace VBDate
