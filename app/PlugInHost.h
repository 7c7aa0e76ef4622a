#pragma once
// One running plug-in: the loaded library with its three entries, the steps it works on
// (its objects) with the channels it locked, and the program's side of the host interface
// that the plug-in calls back through.

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Plugins.h"
#include "data/Channels.h"
#include "platform/core/LogicalPalette.h"
#include "platform/core/Modules.h"

class TObjectSPM;
class TPlugInManager;
class TSPMData;
struct TPlugInInfo;

//! The channels one plug-in locked in one object: bit n set when it locked channel n
//! through LockData, with the channel object it locked. A channel whose object is no
//! longer the one in its slot is gone, even when the slot holds another.
struct TLockMask {
    std::uint32_t Bits = 0;
    std::array<TSPMData*, ChannelCount> Locked{};

    bool Has(int channel) const { return channel >= 0 && channel < ChannelCount && (Bits >> channel & 1u); }
    void Set(int channel, TSPMData* object);
    void Clear(int channel);
};

class TPlugIn final : public IPlugIn {
public:
    //! An unstarted plug-in of the function entry; loads its library at once.
    TPlugIn(TPlugInManager& manager, const TPlugInInfo* info);
    //! Stops it when it was started and kept running, unloads its library, unlocks its
    //! channels and releases its steps' data sets.
    ~TPlugIn();
    TPlugIn(const TPlugIn&) = delete;
    TPlugIn& operator=(const TPlugIn&) = delete;

    //! Loads the library and binds its three entries; false (after its message, and with
    //! nothing left loaded) when that fails. A name ending exactly in ".so" is a plug-in
    //! library; any other file is loaded as a package and never started.
    bool Load(const std::string& path);
    //! Takes the main window's current step as object 0 and calls _StartPlugIn; its answer
    //! (1: finished), or 1 when it could not be started.
    std::int32_t Run();
    //! The step of an object index; null outside the list or for a closed object.
    TObjectSPM* GetObject(int index) const;
    //! The notices of the manager; true when the plug-in asked to be removed.
    bool DataChanged(TObjectSPM* step);
    bool StepClosing(TObjectSPM* step);
    //! True while the plug-in's code runs (the program called into it and it has not
    //! returned, or it called the program): it must not be deleted then.
    bool Busy() const { return busy_.load() > 0; }

    bool IsLibrary = false;
    std::vector<TObjectSPM*> Objects;  //!< borrowed steps; null for a closed object
    std::int32_t StartResult = 1;
    std::vector<TLockMask> LockMasks;  //!< parallel to Objects
    const TPlugInInfo* Info = nullptr;
    platform::ModuleHandle LibraryHandle = nullptr;
    platform::ModuleHandle PackageHandle = nullptr;
    TStartPlugInProc _StartPlugIn = nullptr;
    TStopPlugInProc _StopPlugIn = nullptr;
    TDeleteDataProc _DeleteData = nullptr;

    // IPlugIn.
    TPlugInWindow GetMainWindow() override;
    std::int32_t* LockData(std::int32_t object, std::int32_t channel) override;
    std::int32_t GetHeight(std::int32_t object, std::int32_t channel) override;
    std::int32_t GetWidth(std::int32_t object, std::int32_t channel) override;
    TPlugInRect GetSelection(std::int32_t object) override;
    void* GetReserved() override;
    double GetXStep(std::int32_t object, std::int32_t channel) override;
    double GetYStep(std::int32_t object, std::int32_t channel) override;
    double GetZScale(std::int32_t object, std::int32_t channel) override;
    void SetXStep(std::int32_t object, std::int32_t channel, double value) override;
    void SetYStep(std::int32_t object, std::int32_t channel, double value) override;
    void SetZScale(std::int32_t object, std::int32_t channel, double value) override;
    const char* GetXYUnit(std::int32_t object, std::int32_t channel) override;
    const char* GetZUnit(std::int32_t object, std::int32_t channel) override;
    void SetXYUnit(std::int32_t object, std::int32_t channel, const char* text) override;
    void SetZUnit(std::int32_t object, std::int32_t channel, const char* text) override;
    bool IsChannelLoaded(std::int32_t object, std::int32_t channel) override;
    void UpdateChannelAndShow(std::int32_t object, std::int32_t channel) override;
    void DoNothing() override;
    void UpdateAll(std::int32_t object) override;
    void UpdateChannel(std::int32_t object, std::int32_t channel) override;
    std::int32_t NewStep(std::int32_t object, const char* name) override;
    std::int32_t OpenFileDialog() override;
    std::int32_t OpenFile(const char* path) override;
    std::int32_t AddChannel(std::int32_t object, std::int32_t channel, std::int32_t width,
                            std::int32_t height, const char* name) override;
    std::int32_t AddChannelLikeData(std::int32_t object, std::int32_t channel, const char* name) override;
    void CloseObject(std::int32_t object) override;
    void DeleteChannel(std::int32_t object, std::int32_t channel) override;
    std::int32_t RequestStop() override;
    std::int32_t FindFreeUserChannel(std::int32_t object) override;
    TPlugInApplication GetApplication() override;
    TPlugInPalette GetChannelPalette(std::int32_t object, std::int32_t channel) override;
    double GetRawPerColour(std::int32_t object, std::int32_t channel) override;

private:
    //! Marks the plug-in's code as running for the scope of one call into it or out of it.
    class TCall {
    public:
        explicit TCall(TPlugIn& plugIn);
        ~TCall();
        TCall(const TCall&) = delete;
        TCall& operator=(const TCall&) = delete;

    private:
        TPlugIn& plugIn_;
    };

    //! The channel of an object, null for a bad object, a channel outside 0..29 or one the
    //! data set does not hold.
    TSPMData* ChannelOf(std::int32_t object, std::int32_t channel) const;
    //! Appends an object with an empty lock mask; its index.
    std::int32_t AddObject(TObjectSPM* step);
    //! Forgets an object in place: its index stays taken and fails from now on.
    void DropObject(std::size_t index);
    //! Calls _DeleteData; its answer.
    std::int32_t CallDeleteData(std::int32_t object, std::int32_t channel);
    std::int32_t AddChannelTo(std::int32_t object, std::int32_t channel, std::int32_t width,
                              std::int32_t height, const char* name);
    //! The main window rebuilds its menus for its current step.
    void RebuildMainMenus();

    TPlugInManager& manager_;
    std::atomic<int> busy_{0};
    bool started_ = false;
    std::vector<platform::HPALETTE> palettes_;  //!< palettes handed out, kept while it runs
};
