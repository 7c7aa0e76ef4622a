// The test plug-in: a plug-in library that the tests load through description files. Its
// behaviour is chosen by the function's code (TestPlugInHook.h); it reports everything it
// does to the test program. Built without _DeleteData as TestPlugInNoDelete.

#include <dlfcn.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>

#include "TestPlugInHook.h"
#include "app/Plugins.h"

namespace {

// The state of the current run; set up anew by every start.
IPlugIn* host = nullptr;
std::int32_t mode = 0;

std::int32_t Report(const char* event, std::int32_t object, std::int32_t channel)
{
    auto hook = reinterpret_cast<TTestPlugInEvent>(dlsym(RTLD_DEFAULT, TestPlugInEventName));
    return hook ? hook(host, event, object, channel) : 0;
}

void Result(const char* format, ...)
{
    char text[256] = "script ";
    va_list args;
    va_start(args, format);
    std::vsnprintf(text + 7, sizeof text - 7, format, args);
    va_end(args);
    Report(text, 0, 0);
}

// A plug-in's typical calls: sizes, steps and units of object 0, its matrix read in place,
// a new step written through its matrix, a user channel added and shown.
void RunScript(IPlugIn& h)
{
    const std::int32_t w = h.GetWidth(0, 0);
    const std::int32_t ht = h.GetHeight(0, 0);
    Result("size %d %d", w, ht);
    std::int32_t* p = h.LockData(0, 0);
    long long sum = 0;
    for (std::int64_t i = 0; p && i < std::int64_t(w) * ht; ++i)
        sum += p[i];
    Result("sum %lld", sum);
    Result("same matrix %d", int(p != nullptr && h.LockData(0, 0) == p && h.LockData(0, 0) == p));
    Result("steps %.9g %.9g %.9g", h.GetXStep(0, 0), h.GetYStep(0, 0), h.GetZScale(0, 0));
    const char* xy = h.GetXYUnit(0, 0);
    Result("xy unit [%s]", xy ? xy : "(null)");
    h.SetZUnit(0, 0, "volts");
    const char* z = h.GetZUnit(0, 0);
    Result("z unit [%s]", z ? z : "(null)");
    Result("loaded %d %d %d %d", int(h.IsChannelLoaded(0, 0)), int(h.IsChannelLoaded(0, 2)),
           int(h.IsChannelLoaded(0, 5)), int(h.IsChannelLoaded(0, 101)));
    const TPlugInRect s = h.GetSelection(0);
    Result("selection %d %d %d %d", s.Left, s.Top, s.Right, s.Bottom);
    Result("free %d", h.FindFreeUserChannel(0));
    Result("add 5 %d", h.AddChannel(0, 5, w, ht, "Five"));
    const std::int32_t n = h.NewStep(0, "Scripted");
    Result("new step %d", n);
    if (std::int32_t* q = h.LockData(n, 0)) {
        for (std::int64_t i = 0; i < std::int64_t(w) * ht; ++i)
            q[i] = static_cast<std::int32_t>(i % 1000) - 500;
        h.UpdateChannel(n, 0);
    }
    const std::int32_t c = h.FindFreeUserChannel(n);
    Result("free in new %d", c);
    Result("add %d", h.AddChannel(n, c, 3, 2, "Extra"));
    if (std::int32_t* u = h.LockData(n, c)) {
        for (int i = 0; i < 6; ++i)
            u[i] = i * 10;
        h.UpdateChannelAndShow(n, c);
    }
    Result("extra %d %d", h.GetWidth(n, c), h.GetHeight(n, c));
    Result("reserved %d", int(h.GetReserved() == nullptr));
    Result("handles %d %d %d", int(h.GetMainWindow() != nullptr), int(h.GetApplication() != nullptr),
           int(h.GetChannelPalette(0, 0) != nullptr));
    Result("raw per colour %.9g", h.GetRawPerColour(0, 0));
    h.DoNothing();
}

}  // namespace

extern "C" {

MORVANE_PLUGIN_EXPORT std::int32_t _StartPlugIn(IPlugIn* h, std::int32_t code, std::int32_t object,
                                                std::int32_t channel)
{
    host = h;
    mode = code;
    char event[32];
    std::snprintf(event, sizeof event, "start %d", code);
    const std::int32_t answer = Report(event, object, channel);
    switch (code) {
    case tpKeepRunning:
    case tpRemoveOnDelete:
        return 0;
    case tpStopTwice:
        Report("requested", h->RequestStop(), h->RequestStop());
        return 0;
    case tpScripted:
        RunScript(*h);
        return 1;
    case tpAskHost:
        return answer;
    default:
        return 1;
    }
}

MORVANE_PLUGIN_EXPORT void _StopPlugIn()
{
    Report("stop", 0, 0);
    host = nullptr;
}

#ifndef TEST_PLUGIN_WITHOUT_DELETE_DATA
MORVANE_PLUGIN_EXPORT std::int32_t _DeleteData(std::int32_t object, std::int32_t channel)
{
    const std::int32_t answer = Report("delete", object, channel);
    if (mode == tpAskHost)
        return answer;
    return mode == tpRemoveOnDelete ? 1 : 0;
}
#endif

}  // extern "C"
