#pragma once
// The profile window's statistics and its report: the program-wide statistics object that
// every profile window uses, and the text report that File > Save appends for an active
// profile window.

#include <string>

#include "processing/Profilestatistic.h"

class TProfileForm;

//! The one statistics object of the program (used by one window at a time).
extern TProfileStatistic ProfileStatistic;

//! Appends the profile report of the window's active graph (and of the other graph when it
//! is shown) to the file, created when missing. A file that cannot be written is reported
//! ("Error write file"). The window's statistics fields keep the values of the graph last
//! computed; its active graph is the same before and after.
void WriteProfileReport(TProfileForm* window, const std::string& fileName);
