// The three entries of the Kwt library.

#include "app/Plugins.h"
#include "plugins/kwt/Kwt.h"

extern "C" {

MORVANE_PLUGIN_EXPORT std::int32_t _StartPlugIn(IPlugIn* host, std::int32_t code,
                                                std::int32_t object, std::int32_t channel)
{
    return kwt::StartPlugIn(host, code, object, channel);
}

MORVANE_PLUGIN_EXPORT void _StopPlugIn()
{
    kwt::StopPlugIn();
}

MORVANE_PLUGIN_EXPORT std::int32_t _DeleteData(std::int32_t object, std::int32_t channel)
{
    return kwt::DeleteData(object, channel);
}

} // extern "C"
