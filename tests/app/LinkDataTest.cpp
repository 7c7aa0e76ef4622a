#include <gtest/gtest.h>

#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <cstring>
#include <filesystem>

#include "app/AppFixture.h"
#include "app/LinkData.h"
#include "app/SelectMatrix.h"
#include "app/SelectMode.h"
#include "data/DataFixtures.h"
#include "data/ObjectFile.h"

using appfixture::MainWindowTest;

namespace {

// A scan of width × height whose channel c holds base + 1000·c + 10·row + column.
std::string WriteSet(const testsupport::ScratchDir& dir, const char* name, int slot, int width, int height,
                     ChannelSet channels, int base)
{
    TSurfaceData data(dir.File(name));
    data.Header.FormatVersion = 1;
    data.Header.Width = static_cast<std::uint16_t>(width);
    data.Header.Height = static_cast<std::uint16_t>(height);
    for (int c = NextChannel(NoChannel, channels); c != NoChannel; c = NextChannel(c, channels))
        datafixtures::AddChannel(data, c, width, height, [=](int r, int col) { return base + 1000 * c + 10 * r + col; });
    EXPECT_EQ(SaveWithFormat(FileFormats[slot].get(), dir.File(name), &data, &channels), fmtOk);
    return dir.File(name);
}

// An MSS file of width × height: topography 1..n, frequency 5001..5000+n.
std::string WriteMss(const testsupport::ScratchDir& dir, const char* name, int width, int height)
{
    std::vector<std::uint8_t> bytes(232, 0);
    bytes[4] = static_cast<std::uint8_t>(height);
    bytes[6] = static_cast<std::uint8_t>(width);
    for (int i = 0; i < width * height; ++i)
        testsupport::Put<std::uint16_t>(bytes, static_cast<std::uint16_t>(1 + i));
    for (int i = 0; i < width * height; ++i)
        testsupport::Put<std::uint16_t>(bytes, static_cast<std::uint16_t>(5001 + i));
    testsupport::WriteBytes(dir.File(name), bytes);
    return dir.File(name);
}

std::int32_t FirstValue(const TObjectSPM* step, int channel)
{
    TSPMData* ch = step->SurfaceData->Channel(channel);
    if (!ch)
        return -1;
    ch->Lock();
    const std::int32_t v = ch->Data[0];
    ch->Unlock();
    return v;
}

std::vector<std::string> ItemTexts(const QListWidget* list)
{
    std::vector<std::string> texts;
    for (int i = 0; i < list->count(); ++i)
        texts.push_back(list->item(i)->text().toStdString() +
                        (list->item(i)->checkState() == Qt::Checked ? " +" : ""));
    return texts;
}

TLinkDataForm& Form(QDialog& d) { return static_cast<TLinkDataForm&>(d); }

//! Sets the check of the entry of a channel.
void Check(TLinkDataForm& form, int channel, bool on)
{
    for (int i = 0; i < form.clbData->count(); ++i)
        if (form.LinkList[static_cast<std::size_t>(i)].Locate.Channel == channel)
            form.clbData->item(i)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
}

class LinkDataTest : public MainWindowTest {
protected:
    //! Opens a scan of 8 × 6 with channels 0 and 2 (values from 0); its step.
    TObjectSPM* Open()
    {
        dialogs.Choose(WriteSet(dir, "scan.spm", 1, 8, 6, {0, 2}, 0), 1);
        main->OpenClick();
        return main->CurrentStep();
    }
};

}  // namespace

TEST_F(LinkDataTest, RunsAfterALoadWhereDroppingAChannelKeepsItOut)
{
    modals.Then([](QDialog& d) {
        TLinkDataForm& form = Form(d);
        EXPECT_EQ(ItemTexts(form.clbData),
                  (std::vector<std::string>{"Topography (scan.spm) +", "Phase (scan.spm) +"}));
        Check(form, 2, false);
        form.btOK->click();
    });
    TObjectSPM* step = Open();
    ASSERT_TRUE(step);
    EXPECT_EQ(modals.Titles(), std::vector<std::string>{"Link data"});
    EXPECT_FALSE(step->SurfaceData->Present.Contains(2));
    EXPECT_FALSE(step->ViewSettings.PhaseAvailable);
    EXPECT_EQ(main->PopupMenu2DBtn->actions().size(), 1);
    // Cancel after a load keeps everything the load brought.
    dialogs.Choose(dir.File("scan.spm"), 1);
    main->OpenClick();
    EXPECT_TRUE(main->CurrentStep()->SurfaceData->Present.Contains(2));
}

TEST_F(LinkDataTest, TopographyStaysCheckedAndUncheckingPhaseDeletesIt)
{
    TObjectSPM* step = Open();
    const int held = step->SurfaceData->LockCount;
    modals.Then([&](QDialog& d) {
        TLinkDataForm& form = Form(d);
        EXPECT_EQ(step->SurfaceData->LockCount, held + 1);  // held while the dialog runs
        Check(form, 0, false);
        EXPECT_EQ(form.clbData->item(form.DefaultIndex)->checkState(), Qt::Checked);
        Check(form, 2, false);
        form.btOK->click();
    });
    main->ADataLinkExecute();
    EXPECT_TRUE(step->SurfaceData->Present.Contains(0));
    EXPECT_FALSE(step->SurfaceData->Present.Contains(2));
    EXPECT_FALSE(step->SurfaceData->Channel(2));
    EXPECT_FALSE(step->ViewSettings.PhaseAvailable);
    EXPECT_EQ(step->SurfaceData->ChannelList.size(), 2u);  // the entry stays, unchecked
    EXPECT_EQ(step->SurfaceData->LockCount, held);
    // Checked again, the phase comes back from its file.
    modals.Then([](QDialog& d) {
        Check(Form(d), 2, true);
        Form(d).btOK->click();
    });
    main->ADataLinkExecute();
    EXPECT_EQ(FirstValue(step, 2), 2000);
    EXPECT_TRUE(step->ViewSettings.PhaseAvailable);
    EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(LinkDataTest, LinksChannelsOfAnotherSpm1FileAndAnMssFile)
{
    TObjectSPM* step = Open();
    const std::string more = WriteSet(dir, "more.spm", 1, 8, 6, {0, 1, 20}, 100);
    WriteMss(dir, "a.afm", 8, 6);
    dialogs.Choose(more, 1);
    dialogs.Choose(dir.File("a.afm"), 4);
    modals.Then([](QDialog& d) {
        TLinkDataForm& form = Form(d);
        form.btLoad->click();  // more.spm: the choice below
        form.btLoad->click();  // a.afm
        EXPECT_EQ(ItemTexts(form.clbData), (std::vector<std::string>{"Topography (scan.spm) +", "Phase (scan.spm) +",
                                                                     "Topography backward (more.spm)",
                                                                     "Tip (more.spm)", "Frequency (a.afm)"}));
        Check(form, 1, true);
        Check(form, 4, true);
        form.btOK->click();
    });
    modals.Then([](QDialog& d) {
        auto& chooser = static_cast<TSelectMatrixForm&>(d);
        ASSERT_EQ(chooser.clbData->count(), 3);  // channels 0, 1 and 20 of the file
        EXPECT_EQ(chooser.clbData->item(0)->text().toStdString(), "Topography");
        chooser.clbData->item(1)->setCheckState(Qt::Checked);
        chooser.clbData->item(2)->setCheckState(Qt::Checked);
        chooser.btOK->click();
    });
    modals.Then([](QDialog& d) {
        auto& chooser = static_cast<TSelectMatrixForm&>(d);
        ASSERT_EQ(chooser.clbData->count(), 2);  // topography and frequency
        chooser.clbData->item(1)->setCheckState(Qt::Checked);
        chooser.btOK->click();
    });
    main->ADataLinkExecute();
    EXPECT_EQ(modals.Titles(),
              (std::vector<std::string>{"Link data", "Link data", "Select matrix", "Select matrix"}));
    EXPECT_TRUE(messages.Texts().empty());
    EXPECT_EQ(FirstValue(step, 1), 1100);
    EXPECT_EQ(FirstValue(step, 4), 5001);
    EXPECT_FALSE(step->SurfaceData->Present.Contains(20));  // linked, left unchecked
    EXPECT_TRUE(step->SurfaceData->Available.Contains(20));
    EXPECT_EQ(step->SurfaceData->ChannelList[2].Locate.Path, more);
    EXPECT_EQ(step->SurfaceData->ChannelList[4].Locate.FormatIndex, 2);
    EXPECT_EQ(main->PopupMenu2DBtn->actions().size(), 4);
}

TEST_F(LinkDataTest, RelinkingReplacesOnOkKeepsOnCancelAndAsksFirst)
{
    TObjectSPM* step = Open();
    const std::string spm0 = WriteSet(dir, "phase0.spm", 0, 8, 6, {2}, 300);
    auto relink = [&](bool ok) {
        dialogs.Choose(spm0, 4);
        messages.Answer(platform::MessageResult::No);
        messages.Answer(platform::MessageResult::Yes);
        modals.Then([ok](QDialog& d) {
            Form(d).btLoad->click();
            EXPECT_EQ(Form(d).Relinked, ChannelSet{2});
            (ok ? Form(d).btOK : Form(d).btCancel)->click();
        });
        modals.Then([](QDialog& d) {
            auto& chooser = static_cast<TSelectModeForm&>(d);
            ASSERT_EQ(chooser.lbData->count(), 6);  // channels 0 to 5, the phase selected
            EXPECT_EQ(chooser.lbData->currentRow(), 2);
            chooser.btOK->click();  // "No": stays open
            EXPECT_NE(chooser.result(), QDialog::Accepted);
            chooser.btOK->click();  // "Yes"
        });
        main->ADataLinkExecute();
    };
    relink(false);
    EXPECT_EQ(FirstValue(step, 2), 2000);
    EXPECT_EQ(step->SurfaceData->ChannelList[1].Locate.Path, dir.File("scan.spm"));
    EXPECT_EQ(messages.Texts(), (std::vector<std::string>(2, "Phase loaded. Continue?")));
    EXPECT_EQ(messages.Recorded()[0].Caption, "Warning!");
    relink(true);
    EXPECT_EQ(FirstValue(step, 2), 2300);
    EXPECT_EQ(step->SurfaceData->ChannelList[1].Locate.Path, spm0);
    EXPECT_EQ(step->SurfaceData->ChannelList[1].Locate.FormatIndex, 0);
}

TEST_F(LinkDataTest, AFailedRelinkLeavesTheStepAsItWas)
{
    TObjectSPM* step = Open();
    const std::string spm0 = WriteSet(dir, "phase0.spm", 0, 8, 6, {2}, 300);
    WriteSet(dir, "tip.spm", 0, 3, 3, {20}, 7);
    dialogs.Choose(spm0, 1);
    dialogs.Choose(dir.File("tip.spm"), 1);
    modals.Then([&](QDialog& d) {
        Form(d).btLoad->click();  // the phase, relinked
        Form(d).btLoad->click();  // a new tip, checked below
        Check(Form(d), 20, true);
        std::filesystem::remove(spm0);
        std::filesystem::remove(dir.File("tip.spm"));
        Form(d).btOK->click();
    });
    modals.Then([](QDialog& d) { static_cast<TSelectModeForm&>(d).btOK->click(); });
    modals.Then([](QDialog& d) {
        auto& chooser = static_cast<TSelectModeForm&>(d);
        chooser.lbData->setCurrentRow(0);
        chooser.btOK->click();
    });
    messages.Answer(platform::MessageResult::Yes);
    main->ADataLinkExecute();
    // The phase keeps its values and its source; the tip whose file went stays absent.
    EXPECT_EQ(FirstValue(step, 2), 2000);
    EXPECT_EQ(step->SurfaceData->ChannelList[1].Locate.Path, dir.File("scan.spm"));
    EXPECT_FALSE(step->SurfaceData->Present.Contains(20));
    EXPECT_EQ(messages.Texts(), (std::vector<std::string>{"Phase loaded. Continue?", "Error open file"}));
}

TEST_F(LinkDataTest, AFileOfAnotherSizeOffersOnlyUserChannels)
{
    TObjectSPM* step = Open();
    WriteSet(dir, "small0.spm", 0, 3, 2, {0}, 40);
    WriteSet(dir, "small1.spm", 1, 3, 2, {0, 2}, 40);
    WriteSet(dir, "user1.spm", 1, 3, 2, {0, 21}, 60);
    dialogs.Choose(dir.File("small0.spm"), 1);
    dialogs.Choose(dir.File("small0.spm"), 1);
    dialogs.Choose(dir.File("small1.spm"), 1);
    dialogs.Choose(dir.File("user1.spm"), 1);
    modals.Then([](QDialog& d) {
        Form(d).btLoad->click();  // nothing selected: nothing linked
        EXPECT_EQ(Form(d).LinkList.size(), 2u);
        Form(d).btLoad->click();  // the tip
        Form(d).btLoad->click();  // no user channel: "Error matrix size"
        Form(d).btLoad->click();  // its channel 21 only
        Check(Form(d), 20, true);
        Check(Form(d), 21, true);
        Form(d).btOK->click();
    });
    modals.Then([](QDialog& d) {
        auto& chooser = static_cast<TSelectModeForm&>(d);
        ASSERT_EQ(chooser.lbData->count(), 1);
        EXPECT_EQ(chooser.lbData->item(0)->text().toStdString(), "Tip");
        EXPECT_EQ(chooser.lbData->selectedItems().size(), 0);
        chooser.btOK->click();
    });
    modals.Then([](QDialog& d) {
        auto& chooser = static_cast<TSelectModeForm&>(d);
        chooser.lbData->setCurrentRow(0);
        chooser.btOK->click();
    });
    modals.Then([](QDialog& d) {
        auto& chooser = static_cast<TSelectMatrixForm&>(d);
        ASSERT_EQ(chooser.clbData->count(), 1);
        chooser.clbData->item(0)->setCheckState(Qt::Checked);
        chooser.btOK->click();
    });
    main->ADataLinkExecute();
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Error matrix size"});
    EXPECT_EQ(modals.Left(), 0u);
    TSPMData* tip = step->SurfaceData->Channel(20);
    ASSERT_TRUE(tip);
    EXPECT_EQ(tip->Header.Width, 3);
    EXPECT_EQ(FirstValue(step, 20), 40);  // the SPM0 file's one matrix
    EXPECT_EQ(FirstValue(step, 21), 21060);
    EXPECT_EQ(step->SurfaceData->Header.Width, 8);
    EXPECT_EQ(step->SurfaceData->Channel(0)->Header.Width, 8);
}

TEST_F(LinkDataTest, AddLinkRefusesWhatItCannotLink)
{
    Open();
    testsupport::WriteBytes(dir.File("bad.spm"), {9, 0, 0, 0});
    testsupport::WriteBytes(dir.File("short.spm"), {0});
    dialogs.Choose(dir.File("gone.spm"), 1);
    dialogs.Choose(dir.File("bad.spm"), 1);
    dialogs.Choose(dir.File("short.spm"), 4);
    dialogs.Choose(dir.File("scan.spm"), 3);  // a bitmap entry links nothing
    dialogs.Cancel();
    modals.Then([](QDialog& d) {
        for (int i = 0; i < 5; ++i)
            Form(d).btLoad->click();
        EXPECT_EQ(Form(d).LinkList.size(), 2u);
        Form(d).btOK->click();
    });
    main->ADataLinkExecute();
    EXPECT_EQ(messages.Texts(), (std::vector<std::string>{"File not found", "Error format file", "Error read file"}));
    EXPECT_EQ(messages.Recorded()[0].Caption, "Error load file");
}
