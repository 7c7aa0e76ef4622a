#include "ObjectFile.h"

#include <utility>

TObjectFile::TObjectFile(const std::string& path) : Path(path) {}

TObjectFile::TObjectFile(int formatIndex, const std::string& path) : Path(path)
{
    auto step = std::make_unique<TObjectSPM>(this, formatIndex, path);
    if (!step->Loaded())
        return;  // the creator sees Failed() and deletes the file
    StepCounter = 1;
    Append("1. Load", std::move(step));
}

TObjectFile::~TObjectFile()
{
    CurrentStep = nullptr;
    for (auto& entry : Steps)
        entry.Step.reset();
    Steps.clear();
}

int TObjectFile::IndexOf(const TObjectSPM* step) const
{
    for (std::size_t i = 0; i < Steps.size(); ++i)
        if (Steps[i].Step.get() == step)
            return static_cast<int>(i);
    return -1;
}

std::vector<std::string> TObjectFile::Texts() const
{
    std::vector<std::string> texts;
    for (const auto& entry : Steps)
        texts.push_back(entry.Text);
    return texts;
}

TObjectSPM* TObjectFile::Append(std::string text, std::unique_ptr<TObjectSPM> step)
{
    TObjectSPM* added = step.get();
    Steps.push_back({std::move(text), std::move(step)});
    CurrentStep = added;
    CurrentIndex = static_cast<int>(Steps.size()) - 1;
    return added;
}

void TObjectFile::Activate(TObjectSPM* step)
{
    CurrentStep = step;
    CurrentIndex = IndexOf(step);
    DocumentHost().SetCurrentFile(this);
    DocumentHost().FillStepChooser(this, Texts(), CurrentIndex);
}

TObjectSPM* TObjectFile::AddStep(const std::string& name) { return AddStepFrom(name, CurrentStep); }

TObjectSPM* TObjectFile::AddStepFrom(const std::string& name, TObjectSPM* source)
{
    if (!source)
        return nullptr;
    ++StepCounter;
    std::string text = std::to_string(StepCounter) + ". " + name;
    auto step = std::make_unique<TObjectSPM>(this, name, StepCounter, *source);
    if (!step->Loaded())
        return nullptr;  // the copy was refused and has said why
    TObjectSPM* added = Append(text, std::move(step));
    DocumentHost().AppendStepChooser(text);
    return added;
}

void TObjectFile::AppendStep(const std::string& name, std::unique_ptr<TObjectSPM> step)
{
    if (!step)
        return;
    ++StepCounter;
    std::string text = std::to_string(StepCounter) + ". " + name;
    step->Owner = this;
    Append(text, std::move(step));
    DocumentHost().AppendStepChooser(text);
}

void TObjectFile::DeleteStep(TObjectSPM* step)
{
    const int index = IndexOf(step);
    if (index < 0)
        return;
    const bool wasCurrent = step == CurrentStep;
    std::unique_ptr<TObjectSPM> removed = std::move(Steps[static_cast<std::size_t>(index)].Step);
    Steps.erase(Steps.begin() + index);
    DocumentHost().ClearStepChooser();
    if (Steps.empty()) {
        CurrentStep = nullptr;
        CurrentIndex = -1;
    } else if (wasCurrent) {
        CurrentStep = Steps.back().Step.get();
        CurrentIndex = static_cast<int>(Steps.size()) - 1;
    } else {
        CurrentIndex = IndexOf(CurrentStep);
    }
    removed.reset();
}

void TObjectFile::StepComboClick()
{
    const int index = DocumentHost().StepChooserIndex();
    if (index < 0 || index >= static_cast<int>(Steps.size()))
        return;
    CurrentIndex = index;
    CurrentStep = Steps[static_cast<std::size_t>(index)].Step.get();
    CurrentStep->ShowChannelView(CurrentStep->CurrentView ? CurrentStep->CurrentView->Channel()
                                                          : NoChannel);
}
