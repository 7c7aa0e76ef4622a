// The three entries of the Travine library.

#include "app/Plugins.h"
#include "plugins/travine/Travine.h"

extern "C" {

MORVANE_PLUGIN_EXPORT std::int32_t _StartPlugIn(IPlugIn* host, std::int32_t code,
                                                std::int32_t object, std::int32_t channel)
{
    return travine::StartPlugIn(host, code, object, channel);
}

// Every start runs to its end inside _StartPlugIn: there is nothing to stop or to let go.
MORVANE_PLUGIN_EXPORT void _StopPlugIn() {}

MORVANE_PLUGIN_EXPORT std::int32_t _DeleteData(std::int32_t, std::int32_t)
{
    return 0;
}

} // extern "C"
