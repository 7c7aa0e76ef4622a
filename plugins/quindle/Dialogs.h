#pragma once
// Quindle's message boxes, save dialog and modal windows: the plug-ins' dialog service
// (platform/plugin/PlugInDialogs.h), which its tests script with TDialogScript.

#include "platform/plugin/PlugInDialogs.h"

namespace quindle {
using namespace plugindialogs;
} // namespace quindle
