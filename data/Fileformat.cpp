#include "Fileformat.h"

#include <cstring>
#include <new>

#include "Mssformat.h"
#include "Spm0format.h"
#include "Spm1format.h"
#include "platform/core/Files.h"
#include "platform/core/Messages.h"
#include "platform/core/Parallel.h"

const char* const FormatErrorTexts[8] = {
    "",
    "No file",
    "Error create file",
    "Error open file",
    "Error read file",
    "Error write file",
    "Invalid format file",
    "Error memory allocate",
};

const char* const LoadErrorTexts[8] = {
    "нет ошибок",
    "отсутствие файла",
    "ошибка создания файла",
    "ошибка открытия файла",
    "ошибка чтения",
    "ошибка записи",
    "ошибка формата",
    "ошибка работы с памятью",
};

namespace {
int TableIndex(std::int32_t status)
{
    const std::int64_t a = status < 0 ? -static_cast<std::int64_t>(status) : status;
    return a < 8 ? static_cast<int>(a) : -1;
}
}  // namespace

const char* FormatErrorText(std::int32_t status)
{
    if (status == fmtErrorRange)
        return "Values out of the format's range";
    const int i = TableIndex(status);
    return i < 0 ? "" : FormatErrorTexts[i];
}

const char* LoadErrorText(std::int32_t status)
{
    const int i = TableIndex(status);
    return i < 0 ? "" : LoadErrorTexts[i];
}

std::int32_t OpenForReading(platform::File& file, const char* path)
{
    if (file.Open(path, platform::File::Mode::Read))
        return fmtOk;
    return file.NotRegular() ? fmtErrorRead : fmtErrorOpen;
}

// ---------------------------------------------------------------------------------
// Format arrays

std::int32_t* TFormatArrays::AllocValues(int c, std::int64_t count)
{
    if (c < 0 || c >= ChannelCount || count < 0)
        return nullptr;
    valueBlocks_[c].reset();
    Values[c] = nullptr;
    const auto bytes = static_cast<std::uint64_t>(count) * sizeof(std::int32_t);
    if (bytes > static_cast<std::uint64_t>(PTRDIFF_MAX))
        return nullptr;
    valueBlocks_[c] = platform::MemoryBlock::Allocate(static_cast<std::size_t>(bytes));
    if (!valueBlocks_[c])
        return nullptr;
    Values[c] = static_cast<std::int32_t*>(valueBlocks_[c]->Address());
    return Values[c];
}

MarkerRecord* TFormatArrays::AllocMarkers(int c, std::int64_t count)
{
    if (c < 0 || c >= ChannelCount || count < 0)
        return nullptr;
    Markers[c] = nullptr;
    try {
        markerStore_[c].assign(static_cast<std::size_t>(count), MarkerRecord{});
    } catch (const std::exception&) {
        markerStore_[c].clear();
        return nullptr;
    }
    // A zero-length buffer still gets an address so that callers can tell it from a failure.
    if (markerStore_[c].empty())
        markerStore_[c].reserve(1);
    Markers[c] = markerStore_[c].data();
    return Markers[c];
}

std::int64_t TFormatArrays::ValueCount(int c) const
{
    if (c < 0 || c >= ChannelCount || !valueBlocks_[c])
        return 0;
    return static_cast<std::int64_t>(valueBlocks_[c]->Size() / sizeof(std::int32_t));
}

std::unique_ptr<platform::MemoryBlock> TFormatArrays::TakeValues(int c)
{
    if (c < 0 || c >= ChannelCount)
        return nullptr;
    Values[c] = nullptr;
    return std::move(valueBlocks_[c]);
}

// ---------------------------------------------------------------------------------
// The table

TFileFormat::TFileFormat(TGetInfoProc getInfo, TSaveProc save, TLoadProc load, std::string filter,
                         std::string extension, std::uint8_t multiMatrix)
    : Kind(0),
      FilterText(std::move(filter)),
      Extension(std::move(extension)),
      GetInfoProc(getInfo),
      SaveProc(save),
      LoadProc(load),
      MultiMatrix(multiMatrix)
{
}

TFileFormat::TFileFormat(std::string libraryPath, std::string description,
                         std::uint8_t multiMatrix, std::string extension)
    : Kind(1),
      LibraryPath(std::move(libraryPath)),
      FilterText(std::move(description)),
      Extension(std::move(extension)),
      MultiMatrix(multiMatrix)
{
}

std::array<std::unique_ptr<TFileFormat>, MaxFileFormats> FileFormats;
int FileFormatCount = 0;

void RegisterBuiltInFormats()
{
    ClearFileFormats();
    FileFormats[0] = std::make_unique<TFileFormat>(GetSPM0FileInfo, SaveSPM0File, LoadSPM0File,
                                                   "SPM format (*.spm;*.ppm)|*.spm;*.ppm", ".spm", 0);
    FileFormats[1] = std::make_unique<TFileFormat>(GetSPM1FileInfo, SaveSPM1File, LoadSPM1File,
                                                   "SPM format 2001 (*.spm)|*.spm", ".spm", 1);
    FileFormats[2] = std::make_unique<TFileFormat>(GetMSSFileInfo, SaveMSSFile, LoadMSSFile,
                                                   "MSS format (*.afm)|*.afm", ".afm", 1);
    FileFormatCount = 3;
}

void ClearFileFormats()
{
    for (auto& f : FileFormats)
        f.reset();
    FileFormatCount = 0;
}

// ---------------------------------------------------------------------------------
// Dispatch

std::int32_t CallGetInfo(TFileFormat* format, const std::string& path, ChannelSet* available,
                         TChannelNameTable* names, TFileHeader* header)
{
    if (!format || format->Kind != 0 || !format->GetInfoProc)
        return fmtOk;
    return format->GetInfoProc(path.c_str(), available, header, names);
}

void ShowFormatError(TFileFormat*, std::int32_t status)
{
    platform::ShowError(FormatErrorText(status));
}

int ReadSPMKind(const std::string& path)
{
    using platform::MessageIcon;
    if (path.empty() || !platform::FileExists(path)) {
        platform::ShowMessage("File not found", "Error load file", MessageIcon::Error);
        return -1;
    }
    std::uint8_t word[2];
    {
        platform::File f;
        if (!f.Open(path, platform::File::Mode::Read) || !f.ReadExact(word, 2)) {
            platform::ShowError("Error read file");
            return -1;
        }
    }
    const int kind = word[0] | (word[1] << 8);
    if (kind >= 2) {
        platform::ShowError("Error format file");
        return -1;
    }
    return kind;
}

std::int32_t ReadInfoWithFormat(TFileFormat* format, int formatIndex, TSurfaceData* data)
{
    TChannelNameTable names{};
    const std::int32_t status =
        CallGetInfo(format, data->SourceFile, &data->Available, &names, &data->Header);
    if (status != fmtOk) {
        ShowFormatError(format, status);
        return status;
    }
    if (data->Available.Contains(UnstatedChannel)) {
        data->Available.Clear();
        data->Available.Include(0);
    }
    data->ChannelList.clear();
    for (int c = NextChannel(NoChannel, data->Available); c != NoChannel;
         c = NextChannel(c, data->Available)) {
        TLocateData locate;
        locate.Path = data->SourceFile;
        locate.Channel = static_cast<std::int8_t>(c);
        locate.FormatIndex = formatIndex;
        data->ChannelList.push_back({FieldText(names[c], sizeof names[c]), locate});
    }
    return fmtOk;
}

namespace {

// Everything one channel needs after its load: its own object, range and palette.
std::unique_ptr<TSPMData> BuildLoadedChannel(const TSurfaceData* data, const std::string& path, int c,
                                             const TChannelHeader& header,
                                             std::unique_ptr<platform::MemoryBlock> block,
                                             const MarkerRecord* markers, std::int32_t count,
                                             bool withMarkers)
{
    auto channel = std::make_unique<TSPMData>(path, header, c, std::move(block));
    if (const TSPMData* old = data->Channels[c].get(); old && old->SwappedOut) {
        // A reload from the swap file: the channel keeps where it came from.
        channel->SourceFile = old->SourceFile;
        channel->Mean = old->Mean;
        channel->Ra = old->Ra;
        channel->Rq = old->Rq;
        channel->Rsk = old->Rsk;
        channel->Rku = old->Rku;
    }
    channel->ComputeRange();
    if (withMarkers && count > 0 && markers) {
        channel->Markers = std::make_unique<TPALETTEMARKER>();
        channel->Markers->AddAll(markers, count);
        channel->BuildPalette();
    } else {
        channel->DefaultPalette();
    }
    return channel;
}

}  // namespace

std::int32_t LoadWithFormat(TFileFormat* format, const std::string& path, TSurfaceData* data,
                            ChannelSet* channels)
{
    const ChannelSet requested = *channels;
    channels->Include(MarkersChannel);

    std::int32_t status = fmtOk;
    try {
        TChannelHeaders tables;
        TChannelHeader (&headers)[ChannelCount] = tables.Headers;
        TFormatArrays arrays;

        if (!format || format->Kind != 0 || !format->LoadProc) {
            channels->Clear();
            return fmtOk;
        }
        status = format->LoadProc(path.c_str(), data->Header.Width, data->Header.Height,
                                  tables.Table, &arrays, channels);
        // A failed load delivers nothing: no slot is touched.
        if (status != fmtOk) {
            channels->Clear();
            return status;
        }

        const bool withMarkers = channels->Contains(MarkersChannel);
        std::vector<int> loaded;
        for (int c = NextChannel(NoChannel, requested); c != NoChannel; c = NextChannel(c, requested)) {
            if (!channels->Contains(c))
                continue;
            const std::int64_t samples = std::int64_t{headers[c].Width} * headers[c].Height;
            if (!arrays.Values[c] || arrays.ValueCount(c) < samples) {
                // A loader that reports a channel must have delivered all its values.
                channels->Exclude(c);
                continue;
            }
            loaded.push_back(c);
        }
        // Channels are independent: their objects, ranges and palettes are built side by
        // side, and enter the set only when every one of them was built.
        std::vector<std::unique_ptr<TSPMData>> built(loaded.size());
        platform::ParallelFor(loaded.size(), [&](std::size_t i) {
            const int c = loaded[i];
            built[i] = BuildLoadedChannel(data, path, c, headers[c], arrays.TakeValues(c),
                                          arrays.Markers[c], arrays.Counts[c], withMarkers);
        });
        for (std::size_t i = 0; i < loaded.size(); ++i)
            data->Channels[loaded[i]] = std::move(built[i]);
    } catch (const std::bad_alloc&) {
        channels->Clear();
        return fmtErrorMemory;
    } catch (const std::exception&) {
        channels->Clear();
        return fmtErrorRead;
    }
    return status;
}

std::int32_t SaveWithFormat(TFileFormat* format, const std::string& path, TSurfaceData* data,
                            ChannelSet* channels)
{
    TChannelHeader* headerTable[ChannelCount] = {};
    TFormatArrays arrays;
    std::vector<TSPMData*> locked;
    std::int32_t status = fmtOk;

    try {
        for (int c = NextChannel(NoChannel, *channels); c != NoChannel; c = NextChannel(c, *channels)) {
            TSPMData* channel = data->Channels[c].get();
            if (!channel) {
                channels->Exclude(c);
                continue;
            }
            const std::int32_t count = channel->Markers ? channel->Markers->GetCount() : 0;
            arrays.Counts[c] = count;
            if (MarkerRecord* records = arrays.AllocMarkers(c, count)) {
                for (std::int32_t k = 0; k < count; ++k) {
                    MarkerRecord& r = records[k];
                    channel->Markers->Get(k, r.Position, r.Red, r.Green, r.Blue);
                }
            } else {
                status = fmtErrorMemory;
            }
            channel->Lock();
            locked.push_back(channel);
            // A channel without its matrix (swapped out, or never allocated) cannot be written.
            if (!channel->Locked || channel->SwappedOut || !channel->Data)
                status = fmtErrorMemory;
            arrays.Values[c] = channel->Data;
            headerTable[c] = &channel->Header;
        }
        channels->Include(MarkersChannel);

        if (status == fmtOk && format && format->Kind == 0 && format->SaveProc)
            status = format->SaveProc(path.c_str(), &data->Header, headerTable, &arrays, channels);
    } catch (const std::bad_alloc&) {
        status = fmtErrorMemory;
    } catch (const std::exception&) {
        status = fmtErrorWrite;
    }
    for (TSPMData* channel : locked)
        channel->Unlock();
    return status;
}
