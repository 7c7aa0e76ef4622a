#pragma once
// A host interface in memory for the tests of the plug-ins' own code: one object (0) with
// channels of any size, steps and units, copies of it made by NewStep when allowed, a main
// window, and a log of the calls made. A failure answer is given for anything else, as the
// program gives it.

#include <QWidget>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/Plugins.h"

namespace plugintest {

struct FakeChannel {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::vector<std::int32_t> Values;  //!< Height rows of Width values
    double XStep = 1;
    double YStep = 1;
    double ZScale = 1;
    std::string XYUnit = "nm";
    std::string ZUnit = "nm";
    bool NullUnits = false;   //!< the unit getters answer null
    bool NullMatrix = false;  //!< LockData answers null
    bool StepThrows = false;  //!< GetXStep throws (a failure inside the plug-in's work)
};

//! A gate that a call on another thread waits at until the test opens it.
class Gate {
public:
    void Close()
    {
        std::lock_guard lock(mutex_);
        open_ = false;
    }
    void Open()
    {
        {
            std::lock_guard lock(mutex_);
            open_ = true;
        }
        changed_.notify_all();
    }
    //! Waits until open (at most 10 s).
    void Pass()
    {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::seconds(10), [this] { return open_; });
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = true;
};

class FakePlugInHost final : public IPlugIn {
public:
    FakePlugInHost() { Window.resize(800, 600); }

    QWidget Window;
    std::map<std::int32_t, FakeChannel> Channels;  //!< of object 0
    //! NewStep copies object 0 into a new object (1, 2, ...) while this is set; otherwise it
    //! answers -1.
    bool AllowNewStep = false;
    //! The channels of the objects NewStep made, and their names.
    std::vector<std::map<std::int32_t, FakeChannel>> NewSteps;
    std::vector<std::string> NewStepNames;
    //! GetXStep waits here (it may be called from a plug-in's worker thread).
    Gate StepGate;

    //! The names of the calls, in order (from any thread).
    std::vector<std::string> Calls() const
    {
        std::lock_guard lock(mutex_);
        return calls_;
    }

    FakeChannel* Find(std::int32_t object, std::int32_t channel)
    {
        if (object < 0 || object > static_cast<std::int32_t>(NewSteps.size()))
            return nullptr;
        auto& channels = object == 0 ? Channels : NewSteps[static_cast<std::size_t>(object - 1)];
        auto it = channels.find(channel);
        return it != channels.end() ? &it->second : nullptr;
    }

    TPlugInWindow GetMainWindow() override { return Log("GetMainWindow"), &Window; }
    std::int32_t* LockData(std::int32_t o, std::int32_t c) override
    {
        Log("LockData");
        FakeChannel* ch = Find(o, c);
        return ch && !ch->NullMatrix ? ch->Values.data() : nullptr;
    }
    std::int32_t GetHeight(std::int32_t o, std::int32_t c) override
    {
        Log("GetHeight");
        FakeChannel* ch = Find(o, c);
        return ch ? ch->Height : 0;
    }
    std::int32_t GetWidth(std::int32_t o, std::int32_t c) override
    {
        Log("GetWidth");
        FakeChannel* ch = Find(o, c);
        return ch ? ch->Width : 0;
    }
    TPlugInRect GetSelection(std::int32_t) override { return Log("GetSelection"), TPlugInRect{}; }
    void* GetReserved() override { return nullptr; }
    double GetXStep(std::int32_t o, std::int32_t c) override
    {
        Log("GetXStep");
        StepGate.Pass();
        FakeChannel* ch = Find(o, c);
        if (ch && ch->StepThrows)
            throw std::runtime_error("GetXStep");
        return ch ? ch->XStep : 0.0;
    }
    double GetYStep(std::int32_t o, std::int32_t c) override
    {
        Log("GetYStep");
        FakeChannel* ch = Find(o, c);
        return ch ? ch->YStep : 0.0;
    }
    double GetZScale(std::int32_t o, std::int32_t c) override
    {
        Log("GetZScale");
        FakeChannel* ch = Find(o, c);
        return ch ? ch->ZScale : 0.0;
    }
    void SetXStep(std::int32_t, std::int32_t, double) override { Log("SetXStep"); }
    void SetYStep(std::int32_t, std::int32_t, double) override { Log("SetYStep"); }
    void SetZScale(std::int32_t, std::int32_t, double) override { Log("SetZScale"); }
    const char* GetXYUnit(std::int32_t o, std::int32_t c) override
    {
        Log("GetXYUnit");
        FakeChannel* ch = Find(o, c);
        return ch && !ch->NullUnits ? ch->XYUnit.c_str() : nullptr;
    }
    const char* GetZUnit(std::int32_t o, std::int32_t c) override
    {
        Log("GetZUnit");
        FakeChannel* ch = Find(o, c);
        return ch && !ch->NullUnits ? ch->ZUnit.c_str() : nullptr;
    }
    void SetXYUnit(std::int32_t, std::int32_t, const char*) override { Log("SetXYUnit"); }
    void SetZUnit(std::int32_t, std::int32_t, const char*) override { Log("SetZUnit"); }
    bool IsChannelLoaded(std::int32_t o, std::int32_t c) override
    {
        Log("IsChannelLoaded");
        return Find(o, c) != nullptr;
    }
    void UpdateChannelAndShow(std::int32_t, std::int32_t) override { Log("UpdateChannelAndShow"); }
    void DoNothing() override {}
    void UpdateAll(std::int32_t) override { Log("UpdateAll"); }
    void UpdateChannel(std::int32_t, std::int32_t) override { Log("UpdateChannel"); }
    std::int32_t NewStep(std::int32_t o, const char* name) override
    {
        Log("NewStep");
        if (!AllowNewStep || o != 0)
            return -1;
        NewSteps.push_back(Channels);
        NewStepNames.push_back(name ? name : "");
        return static_cast<std::int32_t>(NewSteps.size());
    }
    std::int32_t OpenFileDialog() override { return Log("OpenFileDialog"), -1; }
    std::int32_t OpenFile(const char*) override { return Log("OpenFile"), -1; }
    std::int32_t AddChannel(std::int32_t, std::int32_t, std::int32_t, std::int32_t, const char*) override
    {
        return Log("AddChannel"), 1;
    }
    std::int32_t AddChannelLikeData(std::int32_t, std::int32_t, const char*) override
    {
        return Log("AddChannelLikeData"), 1;
    }
    void CloseObject(std::int32_t) override { Log("CloseObject"); }
    void DeleteChannel(std::int32_t, std::int32_t) override { Log("DeleteChannel"); }
    std::int32_t RequestStop() override { return Log("RequestStop"), 0; }
    std::int32_t FindFreeUserChannel(std::int32_t) override { return Log("FindFreeUserChannel"), -1; }
    TPlugInApplication GetApplication() override { return Log("GetApplication"), nullptr; }
    TPlugInPalette GetChannelPalette(std::int32_t, std::int32_t) override
    {
        return Log("GetChannelPalette"), nullptr;
    }
    double GetRawPerColour(std::int32_t, std::int32_t) override { return Log("GetRawPerColour"), 0.0; }

private:
    void Log(const char* call)
    {
        std::lock_guard lock(mutex_);
        calls_.push_back(call);
    }

    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
};

}  // namespace plugintest
