// Feeds arbitrary bytes to Travine's SPM0 matrix components, both signednesses: a file
// that loads must give a block of mx x my values and a picture of that size; it is written
// again and must read back with the same sizes, scales and values.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "FuzzSupport.h"
#include "plugins/travine/Dataspm.h"
#include "plugins/travine/Dataspm16.h"

namespace {

template <typename Component> void Check(const char* in, const char* out)
{
    Component c;
    const bool loaded = c.LoadData(in);
    if (loaded != c.HasBlock() ||
        (!loaded && (c.Bitmap().Width != 0 || !c.Bitmap().Pixels.empty())))
        __builtin_trap();
    if (!loaded)
        return;
    const std::int64_t count = std::int64_t{c.mx() < 0 ? 0 : c.mx()} * (c.my() < 0 ? 0 : c.my());
    if (static_cast<std::int64_t>(c.Block().size()) != count ||
        (count > 0 && c.Bitmap().Pixels.size() != static_cast<std::size_t>(count)) ||
        c.Min() > c.Max())
        __builtin_trap();
    if (!c.SaveData(out))
        __builtin_trap();
    Component back;
    if (!back.LoadData(out) || back.mx() != c.mx() || back.my() != c.my() ||
        back.Block() != c.Block() || std::memcmp(&back.Header().Kx, &c.Header().Kx, 12) != 0)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzzsupport::MemoryFile input("dataspm-in");
    static fuzzsupport::MemoryFile output("dataspm-out");
    input.Fill(data, size);
    Check<travine::TDataspm16>(input.Path(), output.Path());
    Check<travine::TDataspm>(input.Path(), output.Path());
    return 0;
}
