#pragma once
// The program-wide working folders and the settings file of the options dialog.

#include <string>

struct TOptions {
    std::string TempDir;     //!< swap files; ends with a separator
    std::string PlugInsDir;  //!< plug-in description files; ends with a separator
};

extern TOptions GlobalOptions;

//! Sets TempDir and PlugInsDir to "Temp/" and "PlugIns/" in `programFolder` and creates
//! them when missing. A folder that cannot be had there is taken from the user's own data
//! folder instead, and the user is told so once; when neither can be written for the swap
//! files, the user is told that once instead.
void InitGlobalOptions(const std::string& programFolder);

//! Creates the empty settings file "mv.ini" in the folder standing in for the Windows
//! folder when none exists; "Error open file" when it cannot be created. An existing file
//! is left untouched.
void CreateSettingsFile();
