// Feeds arbitrary bytes to the description-file reader and reads every key the plug-in
// manager reads.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/core/IniFile.h"

namespace {

// A value is one line's text.
bool OneLine(const std::string& s) { return s.find_first_of("\r\n") == std::string::npos; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    platform::TIniFile inf;
    inf.Parse(std::string_view(reinterpret_cast<const char*>(data), size));
    for (const char* key : {"Type", "AmountFuncs", "SomeMatrix"}) {
        const std::int32_t v = inf.ReadInteger("PlugIn", key, -12345);
        // A key that is not wholly a number answers the default, whatever the text.
        std::int32_t parsed = 0;
        const std::string text = inf.ReadString("PlugIn", key, "");
        if (!platform::ParseProfileInteger(text, parsed) && v != -12345)
            __builtin_trap();
    }
    for (const char* key : {"File", "Name", "SubMenu", "Description", "Ext"})
        if (!OneLine(inf.ReadString("PlugIn", key, "")))
            __builtin_trap();
    for (int k = 1; k <= 3; ++k) {
        const std::string section = "Function" + std::to_string(k);
        (void)inf.ReadString(section, "Name", "");
        (void)inf.ReadString(section, "Hint", "");
        (void)inf.ReadInteger(section, "Code", 0);
    }
    return 0;
}
