#pragma once
// How the test plug-in talks to the test program that loaded it. The test program
// exports MorvaneTestPlugInEvent from its executable; the plug-in looks it up by name and
// reports through it every call of its three entries and every result of its scripted
// run. Its answer decides what the plug-in answers where the code below says so.

#include <cstdint>

class IPlugIn;

extern "C" typedef std::int32_t (*TTestPlugInEvent)(IPlugIn* host, const char* event,
                                                    std::int32_t object, std::int32_t channel);
inline constexpr const char* TestPlugInEventName = "MorvaneTestPlugInEvent";

//! The behaviours of the test plug-in, chosen by the "Code" of a description file's function.
enum TestPlugInCode : std::int32_t {
    //! _StartPlugIn answers 1 at once.
    tpFinish = 1,
    //! Keeps running; _DeleteData answers 0.
    tpKeepRunning = 2,
    //! Keeps running; _DeleteData answers 1.
    tpRemoveOnDelete = 3,
    //! Asks to be stopped twice from _StartPlugIn, then keeps running.
    tpStopTwice = 4,
    //! Runs its script of interface calls, reports each result ("script ..." events) and
    //! answers 1.
    tpScripted = 5,
    //! _StartPlugIn and _DeleteData answer what the event function answers.
    tpAskHost = 6,
};
