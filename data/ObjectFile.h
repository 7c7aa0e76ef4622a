#pragma once
// One opened file: its path and the ordered list of its processing steps.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ObjectSPM.h"

struct TStepEntry {
    std::string Text;  //!< the step number, ". " and the operation's name
    std::unique_ptr<TObjectSPM> Step;
};

class TObjectFile {
public:
    //! An empty file to which the caller appends its own step (bitmap import).
    explicit TObjectFile(const std::string& path);
    //! Opens the file: its first step "1. Load" reads every channel. Failed() tells
    //! when that step could not read the file; the creator then deletes the file.
    TObjectFile(int formatIndex, const std::string& path);
    ~TObjectFile();
    TObjectFile(const TObjectFile&) = delete;
    TObjectFile& operator=(const TObjectFile&) = delete;

    bool Failed() const { return CurrentStep == nullptr || !CurrentStep->Loaded(); }

    //! Makes the step and this file current and refills the step chooser.
    void Activate(TObjectSPM* step);
    //! A copy of CurrentStep appended as the next step; it becomes current.
    TObjectSPM* AddStep(const std::string& name);
    TObjectSPM* AddStepFrom(const std::string& name, TObjectSPM* source);
    //! Appends a step that the caller built with the number StepCounter + 1.
    void AppendStep(const std::string& name, std::unique_ptr<TObjectSPM> step);
    //! Removes and deletes one step; nothing when the file does not hold it.
    void DeleteStep(TObjectSPM* step);
    //! The step chooser was clicked.
    void StepComboClick();

    //! Position of a step in Steps, -1 when absent.
    int IndexOf(const TObjectSPM* step) const;

    TObjectSPM* CurrentStep = nullptr;
    std::int32_t CurrentIndex = -1;
    std::int32_t StepCounter = 0;
    std::vector<TStepEntry> Steps;
    std::string Path;

private:
    TObjectSPM* Append(std::string text, std::unique_ptr<TObjectSPM> step);
    std::vector<std::string> Texts() const;
};
