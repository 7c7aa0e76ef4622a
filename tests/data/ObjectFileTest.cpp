#include <gtest/gtest.h>

#include <memory>

#include "data/DataFixtures.h"
#include "data/FakeHost.h"
#include "data/Fileformat.h"
#include "data/ObjectFile.h"
#include "data/Options.h"
#include "platform/core/Messages.h"
#include "support/TestSupport.h"

using namespace datafixtures;
using fakes::FakeHost;

namespace {

class File : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterBuiltInFormats();
        GlobalOptions.TempDir = temp.Path();
        auto data = SmallFileSet();
        data->Channels[0]->Markers->Add(100, 1, 2, 3);
        data->Channels[0]->BuildPalette();
        ChannelSet channels = data->Present;
        path = dir.File("scan.spm");
        ASSERT_EQ(SaveWithFormat(FileFormats[1].get(), path, data.get(), &channels), fmtOk);
    }
    void TearDown() override
    {
        GlobalOptions.TempDir.clear();
        ClearFileFormats();
    }

    std::vector<std::string> Texts(const TObjectFile& file)
    {
        std::vector<std::string> texts;
        for (const auto& e : file.Steps)
            texts.push_back(e.Text);
        return texts;
    }

    testsupport::ScratchDir dir;
    testsupport::ScratchDir temp;
    platform::MessageRecorder messages;
    FakeHost host;
    std::string path;
};

}  // namespace

TEST_F(File, StepNumbersOnlyGrow)
{
    TObjectFile file(1, path);
    ASSERT_FALSE(file.Failed());
    EXPECT_EQ(Texts(file), std::vector<std::string>{"1. Load"});
    EXPECT_EQ(file.StepCounter, 1);
    EXPECT_EQ(file.CurrentIndex, 0);
    EXPECT_EQ(file.Path, path);
    TObjectSPM* second = file.AddStep("Flatten");
    ASSERT_TRUE(second);
    EXPECT_EQ(second->StepNumber, 2);
    file.AddStep("Normalize");
    EXPECT_EQ(Texts(file), (std::vector<std::string>{"1. Load", "2. Flatten", "3. Normalize"}));
    EXPECT_EQ(host.chooser, (std::vector<std::string>{"2. Flatten", "3. Normalize"}));
    file.DeleteStep(second);
    file.AddStep("Arithmetic");
    EXPECT_EQ(Texts(file), (std::vector<std::string>{"1. Load", "3. Normalize", "4. Arithmetic"}));
    EXPECT_EQ(file.CurrentStep->StepNumber, 4);
    EXPECT_EQ(file.CurrentIndex, 2);
}

TEST_F(File, DeletingStepsKeepsACurrentStep)
{
    TObjectFile file(1, path);
    TObjectSPM* first = file.CurrentStep;
    TObjectSPM* second = file.AddStep("A");
    TObjectSPM* third = file.AddStep("B");
    file.Activate(second);
    file.DeleteStep(first);  // another step: the current one stays, its index moves
    EXPECT_EQ(file.CurrentStep, second);
    EXPECT_EQ(file.CurrentIndex, 0);
    EXPECT_TRUE(host.chooser.empty());
    file.DeleteStep(second);  // the current one: the last step becomes current
    EXPECT_EQ(file.CurrentStep, third);
    EXPECT_EQ(file.CurrentIndex, 0);
    TObjectSPM stranger(nullptr, std::make_unique<TSurfaceData>(""));
    file.DeleteStep(&stranger);  // not held: nothing
    EXPECT_EQ(file.Steps.size(), 1u);
    file.DeleteStep(third);
    EXPECT_EQ(file.CurrentStep, nullptr);
    EXPECT_TRUE(file.Steps.empty());
    EXPECT_EQ(file.StepCounter, 3);
}

TEST_F(File, ActivateMakesTheFileCurrentAndRefillsTheChooser)
{
    TObjectFile file(1, path);
    TObjectSPM* first = file.CurrentStep;
    file.AddStep("A");
    file.Activate(first);
    EXPECT_EQ(host.currentFile, &file);
    EXPECT_EQ(host.chooserOwner, &file);
    EXPECT_EQ(host.chooser, (std::vector<std::string>{"1. Load", "2. A"}));
    EXPECT_EQ(host.chooserIndex, 0);
    EXPECT_EQ(file.CurrentStep, first);

    host.chooserIndex = 1;
    file.StepComboClick();
    EXPECT_EQ(file.CurrentIndex, 1);
    ASSERT_EQ(host.created.size(), 1u);  // the chosen step shows its first channel
    EXPECT_EQ(file.CurrentStep->CurrentView, host.created[0]);
}

TEST_F(File, ACropResultIsAppendedWithTheNumberItWasMadeWith)
{
    TObjectFile file(1, path);
    auto cut = std::make_unique<TObjectSPM>(&file, "Copy rectangle [1;1]-[4;3]", file.StepCounter + 1,
                                            1, 1, 4, 3, *file.CurrentStep);
    file.AppendStep("Copy rectangle [1;1]-[4;3]", std::move(cut));
    EXPECT_EQ(file.StepCounter, 2);
    EXPECT_EQ(file.CurrentStep->StepNumber, 2);
    EXPECT_EQ(Texts(file).back(), "2. Copy rectangle [1;1]-[4;3]");
}

TEST_F(File, ABitmapImportFileStartsEmpty)
{
    TObjectFile file(dir.File("a.bmp"));
    EXPECT_EQ(file.StepCounter, 0);
    EXPECT_EQ(file.CurrentStep, nullptr);
    EXPECT_TRUE(file.Failed());
}

TEST_F(File, AFileThatCannotBeReadFails)
{
    testsupport::WriteBytes(dir.File("bad.spm"), {9, 9});
    TObjectFile file(1, dir.File("bad.spm"));
    EXPECT_TRUE(file.Failed());
    EXPECT_TRUE(file.Steps.empty());
    EXPECT_EQ(messages.Count(), 2u);
}

TEST_F(File, AnIdleStepSwapsOutAndComesBackWhole)
{
    TObjectFile file(1, path);
    TSurfaceData* data = file.CurrentStep->SurfaceData.get();
    const auto values = Values(*data->Channels[2]);
    const auto user = Values(*data->Channels[20]);
    const std::int32_t markers = data->Channels[0]->Markers->GetCount();
    data->Release();  // the opening code gives up its count: nothing shows the step
    ASSERT_TRUE(data->SwappedOut);
    EXPECT_EQ(temp.List().size(), 1u);
    data->Acquire();
    ASSERT_FALSE(data->SwappedOut);
    EXPECT_EQ(Values(*data->Channels[2]), values);
    EXPECT_EQ(Values(*data->Channels[20]), user);
    EXPECT_EQ(data->Channels[0]->Markers->GetCount(), markers);
    EXPECT_TRUE(temp.List().empty());
    EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(File, AConfirmedCropBecomesTheNextStepAndShowsTheCurrentChannel)
{
    TObjectFile file(1, path);
    TObjectSPM* step = file.CurrentStep;
    step->ShowChannelView(2);
    file.AddStep("Other");  // the counter is at 2 now
    CropToolResult(step, 1, 5, 4, 1, 1);
    EXPECT_EQ(step->Selection, (TRect32{1, 1, 5, 4}));
    EXPECT_EQ(file.StepCounter, 3);
    TObjectSPM* cut = file.CurrentStep;
    EXPECT_EQ(cut->StepName, "Copy rectangle [1;1]-[5;4]");
    EXPECT_EQ(cut->StepNumber, 3);
    EXPECT_EQ(file.Steps.back().Text, "3. Copy rectangle [1;1]-[5;4]");
    EXPECT_EQ(cut->SurfaceData->Header.Width, 5);
    ASSERT_TRUE(cut->CurrentView);
    EXPECT_EQ(cut->CurrentView->Channel(), 2);
    EXPECT_EQ(cut->SurfaceData->LockCount, 1);  // only its view holds it

    CropToolResult(step, 2, 7, 0, 3, 2);  // not OK: only the selection changes
    EXPECT_EQ(step->Selection, (TRect32{3, 0, 7, 2}));
    EXPECT_EQ(file.Steps.size(), 3u);
}
