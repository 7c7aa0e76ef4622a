#pragma once
// Kwt's run: every start opens one more analysis window as a child window of the program's
// workspace and answers 0, so that the library stays loaded; the windows of all starts are
// kept in one list, which the stop closes. The library's state lives from one start to the
// next (the program loads the same library again for every start).

#include <cstdint>

class IPlugIn;

namespace kwt {

//! The body of `_StartPlugIn`: opens an analysis window of the channel (object 0) in the
//! main window's workspace. Any failure shows "Exception in DLL module". Always 0.
std::int32_t StartPlugIn(IPlugIn* host, std::int32_t code, std::int32_t object,
                         std::int32_t channel);
//! The body of `_StopPlugIn`: deletes the analysis windows of every start.
void StopPlugIn();
//! The body of `_DeleteData`: 0. The windows carry on: the program answers nothing for a
//! closed step or a dropped channel, so their later analyses find no sweeps.
std::int32_t DeleteData(std::int32_t object, std::int32_t channel);

//! The number of analysis windows open (of every start).
int AnalysisWindowCount();

} // namespace kwt
