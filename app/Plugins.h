#pragma once
// The calling contract between Morvane and its plug-in libraries: the host interface
// `IPlugIn` that the program hands to a plug-in, and the three functions that every
// plug-in library exports. A plug-in written outside this tree compiles against this
// one header; it links nothing of the program and reaches the program only through the
// interface object it is given.
//
// Conventions of every operation:
// - An object index addresses the plug-in's own list of steps: 0 is the step that was
//   current when the plug-in started; NewStep and OpenFile give the indexes of further
//   steps. A channel is a slot 0 to 29 of that step's data set (0 to 19 the instrument's
//   channels, all of the data set's size; 20 to 29 user channels of any size).
// - Integers are 32-bit signed, flags one-byte booleans, real numbers 64-bit doubles.
// - Texts are zero-terminated 8-bit strings in the Windows-1251 code page (file paths:
//   the file system's bytes). A null text passed in is taken as an empty text; texts
//   passed in are copied during the call, the plug-in keeps its buffers.
// - Everything an operation returns stays the program's: matrices, unit texts, palettes,
//   the window and the application. The plug-in frees none of them.
// - An object index that names no step (outside the list, or a step that was closed),
//   a channel that the step's data set does not hold, or a channel outside 0..29 gives
//   the operation's failure answer, stated with each operation; it never crashes.
// - Operations are for the user-interface thread (the thread that called _StartPlugIn);
//   only GetXStep and GetYStep may also be called from a worker thread of the plug-in
//   while the user-interface thread waits in the plug-in's own modal dialog.
// - A plug-in must not use the interface, nor anything obtained through it, once
//   _StopPlugIn has been called or after _StartPlugIn returned 1.

#include <cstdint>

//! A rectangle of point indexes, all four edges inclusive.
struct TPlugInRect {
    std::int32_t Left;
    std::int32_t Top;
    std::int32_t Right;
    std::int32_t Bottom;
};
static_assert(sizeof(TPlugInRect) == 16);

//! The main window: a QWidget* of the program, to parent the plug-in's windows to.
typedef void* TPlugInWindow;
//! The program's application object: its QApplication*.
typedef void* TPlugInApplication;
//! A channel's colour palette: a const platform::LogicalPalette* of the program
//! (platform/core/LogicalPalette.h); valid while the plug-in runs.
typedef const void* TPlugInPalette;

//! The host interface: exactly 33 operations, in this order (the order of the slots).
class IPlugIn {
public:
    //! Slot 0. The main window, for parenting the plug-in's windows; never null.
    virtual TPlugInWindow GetMainWindow() = 0;
    //! Slot 1. The channel's matrix, row-major: GetHeight rows of GetWidth values; point
    //! (x, y) is element y * width + x. The first call for an (object, channel) pair locks
    //! the channel for this plug-in; later calls return the matrix without locking again.
    //! The matrix may be read and written in place until the plug-in ends or the channel
    //! goes (DeleteChannel, AddChannel over it, or the program removing it: _DeleteData
    //! tells of that). Failure: null.
    virtual std::int32_t* LockData(std::int32_t object, std::int32_t channel) = 0;
    //! Slot 2. Number of rows, 1 to 65535. Failure: 0.
    virtual std::int32_t GetHeight(std::int32_t object, std::int32_t channel) = 0;
    //! Slot 3. Number of values in a row, 1 to 65535. Failure: 0.
    virtual std::int32_t GetWidth(std::int32_t object, std::int32_t channel) = 0;
    //! Slot 4. The step's selected rectangle: the whole matrix of channel 0 unless the
    //! crop tool set another. Failure: (0, 0, 0, 0) - beware that this is also the valid
    //! selection of the single point (0, 0); test the object with IsChannelLoaded first
    //! when it matters. (Plug-ins written for the original program rely on this answer.)
    virtual TPlugInRect GetSelection(std::int32_t object) = 0;
    //! Slot 5. Always null.
    virtual void* GetReserved() = 0;
    //! Slot 6. The channel's X step, nanometres between the points of a row. Failure: 0.0.
    virtual double GetXStep(std::int32_t object, std::int32_t channel) = 0;
    //! Slot 7. The channel's Y step, nanometres between rows. Failure: 0.0.
    virtual double GetYStep(std::int32_t object, std::int32_t channel) = 0;
    //! Slot 8. The channel's Z scale: physical value = raw value * Z scale. Failure: 0.0.
    virtual double GetZScale(std::int32_t object, std::int32_t channel) = 0;
    //! Slot 9. Stores the X step (kept in single precision). Failure: no effect.
    virtual void SetXStep(std::int32_t object, std::int32_t channel, double value) = 0;
    //! Slot 10. Stores the Y step (single precision). Failure: no effect.
    virtual void SetYStep(std::int32_t object, std::int32_t channel, double value) = 0;
    //! Slot 11. Stores the Z scale (single precision). Failure: no effect.
    virtual void SetZScale(std::int32_t object, std::int32_t channel, double value) = 0;
    //! Slot 12. The channel's XY unit text (at most 5 characters), the program's; valid
    //! until the next call that changes the same object. Failure: null.
    virtual const char* GetXYUnit(std::int32_t object, std::int32_t channel) = 0;
    //! Slot 13. The channel's Z unit text, as GetXYUnit. Failure: null.
    virtual const char* GetZUnit(std::int32_t object, std::int32_t channel) = 0;
    //! Slot 14. The XY unit becomes the first 3 characters of the text. Failure: no effect.
    virtual void SetXYUnit(std::int32_t object, std::int32_t channel, const char* text) = 0;
    //! Slot 15. The Z unit becomes the first 3 characters of the text ("volts" stores
    //! "vol"). Failure: no effect.
    virtual void SetZUnit(std::int32_t object, std::int32_t channel, const char* text) = 0;
    //! Slot 16. True when the step's data set holds the channel. Failure (and any number
    //! outside 0..29): false.
    virtual bool IsChannelLoaded(std::int32_t object, std::int32_t channel) = 0;
    //! Slot 17. Recomputes the channel's statistics, range and palette, redraws its 2-D
    //! view and closes the step's analysis windows; then opens or activates the channel's
    //! 2-D view (255: the view of the next channel that has none). An absent channel
    //! still refreshes the step's other windows and shows "Data of ... is not loaded".
    //! A bad object: no effect.
    virtual void UpdateChannelAndShow(std::int32_t object, std::int32_t channel) = 0;
    //! Slot 18. Does nothing.
    virtual void DoNothing() = 0;
    //! Slot 19. Recomputes every channel of the step (statistics, ranges, palettes), closes
    //! the views of channels that are gone and redraws the others; the main window then
    //! rebuilds its menus for its current step. A bad object: no effect.
    virtual void UpdateAll(std::int32_t object) = 0;
    //! Slot 20. As UpdateChannelAndShow without opening a view; the main window then
    //! rebuilds its menus for its current step. A bad object: no effect.
    virtual void UpdateChannel(std::int32_t object, std::int32_t channel) = 0;
    //! Slot 21. Copies the step into a new step of the same file, named by the file's next
    //! step number, ". " and `name`; it enters the "Step:" chooser and becomes the file's
    //! current step, without a view. The answer is the new step's object index (the first
    //! call on a fresh plug-in answers 1). Failure: -1 (a bad object, a step that belongs
    //! to no file, a copy that could not be made).
    virtual std::int32_t NewStep(std::int32_t object, const char* name) = 0;
    //! Slot 22. Runs the main window's open dialog on its first filter (SPM files) and
    //! then OpenFile with the chosen path. Cancelled: -1 without a message.
    virtual std::int32_t OpenFileDialog() = 0;
    //! Slot 23. Opens an SPM0 or SPM1 file as a new object that belongs to the program,
    //! shows in no chooser and has no view until the plug-in shows one. A path that
    //! begins with "+" loads only channels 0 and 2 and shows no link-data dialog;
    //! otherwise every channel is loaded and the link-data dialog runs. The answer is the
    //! new object index. Failure: -1 after a message box ("File not found",
    //! "Error read file", "Error format file", or the reader's messages).
    virtual std::int32_t OpenFile(const char* path) = 0;
    //! Slot 24. Adds user channel 20 to 29 (or replaces it) with the given size (1 to
    //! 65535 each way), zero values, the data set's X and Y steps and XY unit, Z scale 1
    //! and an empty Z unit; a non-empty name (at most 31 characters) becomes the slot's
    //! channel name. Fill the values, then call UpdateChannel or UpdateAll. A lock this
    //! plug-in held on a replaced channel goes with it. 0 on success; failure: 1
    //! (channels 0 to 19, a bad size, a bad object, no memory).
    virtual std::int32_t AddChannel(std::int32_t object, std::int32_t channel, std::int32_t width,
                                    std::int32_t height, const char* name) = 0;
    //! Slot 25. As AddChannel for any channel 1 to 29, with the data set's own width and
    //! height. 0 on success; failure: 1 (channel 0, a bad object, no memory).
    virtual std::int32_t AddChannelLikeData(std::int32_t object, std::int32_t channel,
                                            const char* name) = 0;
    //! Slot 26. Closes the object's step (a file's last step closes the file) and removes
    //! the object from the list: later objects' indexes drop by one, and the last index
    //! handed out so far is never given again. Other running plug-ins that use the step
    //! hear of it through their _DeleteData(object, -1). A bad object: no effect.
    virtual void CloseObject(std::int32_t object) = 0;
    //! Slot 27. Unlocks the channel when this plug-in locked it, removes it from the
    //! step, then updates the whole step as UpdateAll. An absent channel only updates.
    //! A bad object: no effect.
    virtual void DeleteChannel(std::int32_t object, std::int32_t channel) = 0;
    //! Slot 28. Asks the program to stop this plug-in: _StopPlugIn follows later, after
    //! the current call has returned to the program's message loop. Asking twice stops it
    //! once. Nonzero when the request was posted.
    virtual std::int32_t RequestStop() = 0;
    //! Slot 29. The lowest user channel 20 to 29 that the step does not hold; -1 when all
    //! ten are there. Failure: -1.
    virtual std::int32_t FindFreeUserChannel(std::int32_t object) = 0;
    //! Slot 30. The program's application object; never null.
    virtual TPlugInApplication GetApplication() = 0;
    //! Slot 31. The channel's colour palette, the program's. Failure: null.
    virtual TPlugInPalette GetChannelPalette(std::int32_t object, std::int32_t channel) = 0;
    //! Slot 32. Raw units per palette colour of the channel. Failure: 0.0.
    virtual double GetRawPerColour(std::int32_t object, std::int32_t channel) = 0;

protected:
    // No destructor in the interface's slots: the program owns the object.
    ~IPlugIn() = default;
};

// What a plug-in library exports: exactly these three functions, with C linkage and these
// names. The program looks them up by name when it loads the library and refuses a
// library that lacks any of them.

//! Marks the three exports visible in a library built with hidden visibility.
#define MORVANE_PLUGIN_EXPORT __attribute__((visibility("default")))

extern "C" {
//! `_StartPlugIn`: called once per start, with the function's "Code" from the description
//! file, object 0 and the channel of the current step's current 2-D view (0 without one).
//! Answer 1 when the plug-in has finished (the program then unloads it at once and never
//! calls _StopPlugIn); any other answer keeps it loaded while it shows its own windows.
//! A library may be loaded afresh for each start or stay loaded between starts: set up
//! every state here, none at load time.
typedef std::int32_t (*TStartPlugInProc)(IPlugIn* host, std::int32_t code, std::int32_t object,
                                         std::int32_t channel);
//! `_StopPlugIn`: called once when a plug-in that kept running is removed (after its
//! RequestStop, after _DeleteData answered 1, or when the program closes). Close every
//! window and free everything that the library's code owns before returning.
typedef void (*TStopPlugInProc)();
//! `_DeleteData`: channel -1: the object's step is about to be closed; channel 0..29: a
//! channel that the plug-in locked has gone from the object (a data link changed it, or
//! another plug-in replaced or deleted it). Answer 1 to be removed now (_StopPlugIn
//! follows), anything else to carry on without it: the object, or that channel's lock,
//! is forgotten and later calls with it fail.
typedef std::int32_t (*TDeleteDataProc)(std::int32_t object, std::int32_t channel);

MORVANE_PLUGIN_EXPORT std::int32_t _StartPlugIn(IPlugIn* host, std::int32_t code,
                                                std::int32_t object, std::int32_t channel);
MORVANE_PLUGIN_EXPORT void _StopPlugIn();
MORVANE_PLUGIN_EXPORT std::int32_t _DeleteData(std::int32_t object, std::int32_t channel);
}
