// Writes the seed corpus of the format fuzz targets: small valid files made by the
// program's own writers (the MSS file, which has no writer, byte by byte).
// Usage: fuzz_make_corpus <corpus folder>
// (writes into spm0/, spm1/, mss/, bmp/, dataspm/ and step/)

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "data/Mssformat.h"
#include "support/BmpFiles.h"
#include "data/Spm0format.h"
#include "data/Spm1format.h"
#include "platform/core/Files.h"
#include "plugins/travine/Dataspm16.h"

namespace {

struct Tables {
    TChannelHeader headers[ChannelCount] = {};
    TChannelHeader* table[ChannelCount];
    TFormatArrays arrays;
    std::vector<std::int32_t> values[ChannelCount];
    std::vector<MarkerRecord> markers[ChannelCount];

    Tables()
    {
        for (int c = 0; c < ChannelCount; ++c)
            table[c] = &headers[c];
    }
    // Channel c of width × height with values v(i) and the given markers.
    template <typename F>
    void Channel(int c, int width, int height, const char* name, F v,
                 std::vector<MarkerRecord> m = {})
    {
        TChannelHeader& h = headers[c];
        h.Width = static_cast<std::uint16_t>(width);
        h.Height = static_cast<std::uint16_t>(height);
        h.XStep = 12.5f;
        h.YStep = 10.0f;
        h.ZScale = 0.05f;
        std::strcpy(h.Name, name);
        std::strcpy(h.XYUnit, "nm");
        std::strcpy(h.ZUnit, "nm");
        values[c].resize(std::size_t(width) * height);
        for (std::size_t i = 0; i < values[c].size(); ++i)
            values[c][i] = v(static_cast<int>(i));
        h.Min = values[c].empty() ? 0 : values[c][0];
        h.Max = h.Min;
        for (std::int32_t x : values[c]) {
            h.Min = std::min(h.Min, x);
            h.Max = std::max(h.Max, x);
        }
        markers[c] = std::move(m);
        arrays.Values[c] = values[c].data();
        arrays.Counts[c] = static_cast<std::int32_t>(markers[c].size());
        arrays.Markers[c] = markers[c].data();
    }
};

bool Check(std::int32_t status, const std::string& path)
{
    if (status != fmtOk)
        std::fprintf(stderr, "%s: status %d\n", path.c_str(), status);
    else
        std::printf("%s\n", path.c_str());
    return status == fmtOk;
}

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    platform::File file(path, platform::File::Mode::CreateReplace);
    return Check(file.Write(bytes.data(), static_cast<std::int64_t>(bytes.size())) && file.Close()
                     ? fmtOk
                     : fmtErrorWrite,
                 path);
}

// One BMP file of each kind the bitmap reader decodes.
bool WriteBmpCorpus(const std::string& folder)
{
    using bmpfiles::Build;
    using bmpfiles::Padded;
    const std::vector<std::uint32_t> grey = {0x000000, 0x404040, 0x808080, 0xC0C0C0, 0xFFFFFF,
                                             0xFF0000, 0x00FF00, 0x0000FF};
    bool ok = true;
    const auto write = [&](const char* name, const bmpfiles::Spec& spec) {
        ok = WriteFile(platform::JoinPath(folder, name), Build(spec)) && ok;
    };
    write("24bit-3x2.bmp", {.Width = 3, .Height = 2, .Bits = 24,
                            .Pixels = Padded({{1, 2, 3, 4, 5, 6, 7, 8, 9}, {10, 11, 12, 13, 14, 15, 16, 17, 18}})});
    write("8bit-topdown-4x2.bmp", {.Width = 4, .Height = -2, .Bits = 8, .Palette = grey,
                                   .Pixels = Padded({{0, 1, 2, 3}, {4, 5, 6, 7}}), .ColoursUsed = 8});
    write("4bit-5x2.bmp", {.Width = 5, .Height = 2, .Bits = 4, .Palette = grey,
                           .Pixels = Padded({{0x01, 0x23, 0x40}, {0x56, 0x70, 0x10}}), .ColoursUsed = 8});
    write("1bit-core-9x2.bmp", {.Width = 9, .Height = 2, .Bits = 1, .HeaderBytes = 12,
                                .Palette = {0x000000, 0xFFFFFF},
                                .Pixels = Padded({{0xA5, 0x80}, {0x5A, 0x00}})});
    // Runs, an end of line, a delta and a literal run, then the end of the picture.
    write("rle8-6x3.bmp", {.Width = 6, .Height = 3, .Bits = 8, .Compression = 1, .Palette = grey,
                           .Pixels = {3, 1, 0, 0, 0, 2, 2, 1, 0, 4, 4, 5, 6, 7, 0, 1}, .ColoursUsed = 8});
    write("rle4-5x2.bmp", {.Width = 5, .Height = 2, .Bits = 4, .Compression = 2, .Palette = grey,
                           .Pixels = {5, 0x12, 0, 0, 0, 3, 0x34, 0x50, 2, 0x67, 0, 1}, .ColoursUsed = 8});
    write("16bit-565-2x2.bmp", {.Width = 2, .Height = 2, .Bits = 16, .Compression = 3,
                                .Masks = {0xF800, 0x07E0, 0x001F},
                                .Pixels = Padded({{0x00, 0xF8, 0xE0, 0x07}, {0x1F, 0x00, 0xFF, 0xFF}})});
    write("32bit-v4-2x1.bmp", {.Width = 2, .Height = 1, .Bits = 32, .HeaderBytes = 108,
                               .Pixels = {1, 2, 3, 0, 4, 5, 6, 0}});
    return ok;
}

TFileHeader SetHeader(int width, int height)
{
    TFileHeader h{};
    h.Width = static_cast<std::uint16_t>(width);
    h.Height = static_cast<std::uint16_t>(height);
    return h;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    const std::string root = argv[1];
    bool ok = true;
    for (const char* sub : {"spm0", "spm1", "mss", "bmp", "dataspm", "step"})
        ok = platform::CreateFolder(platform::JoinPath(root, sub)) && ok;

    // SPM0: 4 × 3 with negative values (also a step of its own).
    for (const char* name : {"spm0/4x3.spm", "step/spm0-4x3.spm"}) {
        Tables t;
        t.Channel(0, 4, 3, "", [](int i) { return (i - 6) * 1000; });
        ChannelSet set{0};
        const std::string path = platform::JoinPath(root, name);
        ok = Check(SaveSPM0File(path.c_str(), nullptr, t.table, &t.arrays, &set), path) && ok;
    }
    { // SPM0: 1 × 1.
        Tables t;
        t.Channel(0, 1, 1, "", [](int) { return 42; });
        ChannelSet set{0};
        const std::string path = platform::JoinPath(root, "spm0/1x1.spm");
        ok = Check(SaveSPM0File(path.c_str(), nullptr, t.table, &t.arrays, &set), path) && ok;
    }
    { // SPM1: channels 0 and 2 of 4 × 3, user channel 20 of 5 × 2, with markers; channel
      // 2 has values above 32767 and is stored with an offset.
        Tables t;
        t.Channel(0, 4, 3, "Topography", [](int i) { return i * 37 - 200; },
                  {{0, 0, 0, 0}, {40, 110, 120, 130}, {80, 255, 255, 255}});
        t.Channel(2, 4, 3, "Phase", [](int i) { return 30000 + i * 1000; });
        t.Channel(20, 5, 2, "Tip", [](int i) { return -i; }, {{0, 10, 20, 30}, {9, 200, 100, 0}});
        TFileHeader header = SetHeader(4, 3);
        ChannelSet set{0, 2, 20, MarkersChannel};
        const std::string path = platform::JoinPath(root, "spm1/channels-0-2-20-markers.spm");
        ok = Check(SaveSPM1File(path.c_str(), &header, t.table, &t.arrays, &set), path) && ok;
    }
    { // SPM1: one channel without the marker block.
        Tables t;
        t.Channel(1, 3, 2, "Topography backward", [](int i) { return i % 2 ? 5 : -5; });
        TFileHeader header = SetHeader(3, 2);
        ChannelSet set{1};
        const std::string path = platform::JoinPath(root, "spm1/channel-1-no-markers.spm");
        ok = Check(SaveSPM1File(path.c_str(), &header, t.table, &t.arrays, &set), path) && ok;
    }
    { // Swap layout (32-bit samples), read by the same target's swap-file loader.
        Tables t;
        t.Channel(0, 3, 2, "",
                  [](int i) {
                      return static_cast<std::int32_t>(std::int64_t{i} * 800000000 - 2000000000);
                  },
                  {{0, 1, 2, 3}});
        t.Channel(21, 2, 2, "User", [](int i) { return i; });
        TFileHeader header = SetHeader(3, 2);
        ChannelSet set{0, 21, MarkersChannel};
        const std::string path = platform::JoinPath(root, "spm1/swap-0-21.$$$");
        ok = Check(SaveSwapFile(path.c_str(), &header, t.table, &t.arrays, &set), path) && ok;
    }
    { // Steps of SPM1 files: markers in the order the writer keeps them, equal positions
      // among them, on channels 0 and 2 of 4 × 3 and user channel 21 of 3 × 3; and
      // markers in no order (the first above the others, one below 0, one past the
      // palette), which the load puts in its own order.
        Tables t;
        t.Channel(0, 4, 3, "Topography", [](int i) { return i * 91 - 500; },
                  {{0, 0, 0, 0}, {300, 10, 20, 30}, {300, 40, 50, 60}, {700, 200, 100, 0},
                   {1092, 255, 255, 255}});
        t.Channel(2, 4, 3, "Phase", [](int i) { return i % 3; }, {{0, 5, 5, 5}, {2, 250, 0, 0}});
        t.Channel(21, 3, 3, "User", [](int i) { return 7 - i; }, {{1, 1, 2, 3}});
        TFileHeader header = SetHeader(4, 3);
        ChannelSet set{0, 2, 21, MarkersChannel};
        const std::string path = platform::JoinPath(root, "step/spm1-markers-ordered.spm");
        ok = Check(SaveSPM1File(path.c_str(), &header, t.table, &t.arrays, &set), path) && ok;

        Tables u;
        u.Channel(0, 3, 2, "", [](int i) { return i * i * 10; },
                  {{25, 9, 8, 7}, {5, 1, 1, 1}, {40, 2, 2, 2}, {5, 3, 3, 3}, {-3, 4, 4, 4},
                   {1200, 5, 5, 5}, {0, 6, 6, 6}});
        TFileHeader small = SetHeader(3, 2);
        ChannelSet one{0, MarkersChannel};
        const std::string unordered = platform::JoinPath(root, "step/spm1-markers-unordered.spm");
        ok = Check(SaveSPM1File(unordered.c_str(), &small, u.table, &u.arrays, &one), unordered) && ok;
    }
    { // MSS: 3 × 2 (height at 4, width at 6), Z scale 0.5 at 192, two blocks from 232.
        std::vector<std::uint8_t> bytes(232, 0);
        const std::uint16_t height = 2, width = 3;
        const double zScale = 0.5;
        std::memcpy(&bytes[4], &height, 2);
        std::memcpy(&bytes[6], &width, 2);
        std::memcpy(&bytes[192], &zScale, 8);
        for (std::uint16_t s : {0, 100, 200, 300, 400, 65535, 1, 2, 3, 4, 5, 60000}) {
            bytes.push_back(static_cast<std::uint8_t>(s & 0xFF));
            bytes.push_back(static_cast<std::uint8_t>(s >> 8));
        }
        ok = WriteFile(platform::JoinPath(root, "mss/3x2.afm"), bytes) && ok;
        ok = WriteFile(platform::JoinPath(root, "step/mss-3x2.afm"), bytes) && ok;
    }
    ok = WriteBmpCorpus(platform::JoinPath(root, "bmp")) && ok;
    { // Travine's components: the program's SPM0 file, and one of their own with Min, Max
      // and the version text, unsigned values above 32767 among them.
        Tables t;
        t.Channel(0, 4, 3, "", [](int i) { return (i - 6) * 1000; });
        ChannelSet set{0};
        const std::string path = platform::JoinPath(root, "dataspm/program-4x3.spm");
        ok = Check(SaveSPM0File(path.c_str(), nullptr, t.table, &t.arrays, &set), path) && ok;

        travine::TDataspm16 c;
        c.Setmx(3);
        c.Setmy(2);
        c.SetKx(1.5f);
        c.SetVersion("Travine");
        c.SetMin(1);
        c.SetMax(65000);
        ok = c.SetDataBlock() && ok;
        for (int i = 0; i < 6; ++i)
            c.AddDataToMatrix(static_cast<std::uint16_t>(i * 13000), i % 3, i / 3, travine::sd0);
        const std::string own = platform::JoinPath(root, "dataspm/travine-3x2.spm");
        ok = Check(c.SaveData(own) ? fmtOk : fmtErrorWrite, own) && ok;
    }
    return ok ? 0 : 1;
}
