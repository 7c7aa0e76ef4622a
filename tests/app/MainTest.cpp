#include <gtest/gtest.h>

#include <QComboBox>
#include <QImage>
#include <QLocalSocket>
#include <QMenu>
#include <QToolButton>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "app/AppFixture.h"
#include "data/DataFixtures.h"
#include "data/Fileformat.h"
#include "data/ObjectFile.h"
#include "platform/core/Files.h"
#include "platform/gui/QtServices.h"
#include "support/TestSupport.h"

using appfixture::MainWindowTest;
using namespace datafixtures;
using appfixture::WriteScan;

namespace {

std::vector<std::string> Items(const QComboBox* box)
{
    std::vector<std::string> items;
    for (int i = 0; i < box->count(); ++i)
        items.push_back(box->itemText(i).toStdString());
    return items;
}

bool DocumentCommandsEnabled(const TMainForm& m)
{
    return m.SaveBtn->isEnabled() && m.View2DBtn->isEnabled() && m.RectBtn->isEnabled() &&
           m.Save->isEnabled() && m.DataProc->isEnabled() && m.Process->isEnabled() &&
           m.ADataLink->isEnabled() && m.sbCloseFile->isEnabled() && m.cbZoom2D->isEnabled();
}

bool DocumentCommandsDisabled(const TMainForm& m)
{
    return !m.SaveBtn->isEnabled() && !m.View2DBtn->isEnabled() && !m.View3DBtn->isEnabled() &&
           !m.ProfileBtn->isEnabled() && !m.HistogramBtn->isEnabled() && !m.StatisticBtn->isEnabled() &&
           !m.SetupSurfaceBtn->isEnabled() && !m.RectBtn->isEnabled() && !m.HeightsBtn->isEnabled() &&
           !m.Save->isEnabled() && !m.DataProc->isEnabled() && !m.Process->isEnabled() &&
           !m.PlugInsMenu->isEnabled() && !m.ADataLink->isEnabled() && !m.sbCloseFile->isEnabled() &&
           !m.sbCloseStep->isEnabled() && !m.cbZoom2D->isEnabled();
}

}  // namespace

TEST_F(MainWindowTest, StartsWithItsCaptionFiltersAndNoDocument)
{
    EXPECT_EQ(main->windowTitle().toStdString(), "Morvane 1.0   build " + main->BuildNumber);
    EXPECT_FALSE(main->BuildNumber.empty());
    EXPECT_EQ(main->FileVersion, "1.0.0." + main->BuildNumber);
    EXPECT_TRUE(DocumentCommandsDisabled(*main));
    EXPECT_FALSE(main->PlugInsMenu->menuAction()->isVisible());
    EXPECT_EQ(main->CurrentFile, nullptr);
    EXPECT_EQ(platform::SplitFilter(main->OpenDialog.Filter).size(), 4u);
    EXPECT_EQ(main->OpenDialog.FilterIndex, 4);
    EXPECT_EQ(FileFormatCount, 3);
    EXPECT_EQ(main->Open->shortcut(), QKeySequence("Ctrl+O"));
    EXPECT_EQ(main->ADataLink->shortcut(), QKeySequence("F12"));
    EXPECT_EQ(main->FlatteningParaboloidItem->text(), "Paraboloi&d");
    EXPECT_EQ(main->RectBtn->toolTip(), "Cut surface");
    EXPECT_EQ(main->StatisticBtn->toolTip(), "SPM info");
    EXPECT_TRUE(main->N100->isChecked());
    EXPECT_EQ(Items(main->cbZoom2D), (std::vector<std::string>{"100%", "200%", "400%", "800%"}));
}

// Every tool button shows a picture of its own from the program's resources, with its text
// as the tool tip.
TEST_F(MainWindowTest, ToolButtonsShowTheirOwnPicturesWithTheirTextsAsTips)
{
    const struct {
        QToolButton* Button;
        const char* Tip;
    } buttons[] = {
        {main->OpenBtn, "Open"},
        {main->SaveBtn, "Save"},
        {main->View2DBtn, "View 2D"},
        {main->View3DBtn, "View 3D"},
        {main->ProfileBtn, "View profile"},
        {main->HeightsBtn, "Height distribution"},
        {main->HistogramBtn, "Angle analysis"},
        {main->StatisticBtn, "SPM info"},
        {main->SetupSurfaceBtn, "View layout"},
        {main->RectBtn, "Cut surface"},
    };
    std::vector<QImage> pictures;
    for (const auto& b : buttons) {
        EXPECT_EQ(b.Button->toolTip().toStdString(), b.Tip);
        EXPECT_EQ(b.Button->toolButtonStyle(), Qt::ToolButtonIconOnly) << b.Tip;
        const QImage picture = b.Button->icon().pixmap(QSize(24, 24)).toImage();
        ASSERT_EQ(picture.size(), QSize(24, 24)) << b.Tip;
        int drawn = 0;
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 24; ++x)
                drawn += qAlpha(picture.pixel(x, y)) > 0 ? 1 : 0;
        EXPECT_GT(drawn, 48) << b.Tip; // a picture, not an empty square
        for (const QImage& other : pictures)
            EXPECT_NE(picture, other) << b.Tip;
        pictures.push_back(picture);
    }
}

TEST_F(MainWindowTest, OpensAnSpm1FileAndSavesItStepAsSpm1AndSpm0)
{
    const std::string path = WriteScan(dir, "scan.spm", 1, "the note");
    dialogs.Choose(path, 1);
    main->OpenClick();
    ASSERT_NE(main->CurrentFile, nullptr);
    EXPECT_TRUE(messages.Texts().empty());
    EXPECT_EQ(Items(main->cbObjectFile), std::vector<std::string>{"scan.spm - the note"});
    EXPECT_EQ(Items(main->cbObjectStep), std::vector<std::string>{"1. Load"});
    EXPECT_TRUE(DocumentCommandsEnabled(*main));
    EXPECT_FALSE(main->PlugInsMenu->menuAction()->isVisible());  // enabling does not show it
    EXPECT_EQ(main->PopupMenu2DBtn->actions().size(), 2);
    TObjectSPM* step = main->CurrentStep();
    ASSERT_TRUE(step);
    ASSERT_TRUE(step->CurrentView);  // the first channel's view holds the data set now
    EXPECT_EQ(step->SurfaceData->LockCount, 1);
    EXPECT_FALSE(step->SurfaceData->SwappedOut);

    // Save as SPM1 (entry 2) and as SPM0 (entry 1, the channel of no view: channel 0).
    dialogs.Choose(dir.File("out1"), 2);
    main->SaveClick();
    dialogs.Choose(dir.File("out0.bmp"), 1);
    main->SaveClick();
    const auto requests = dialogs.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[1].Title, "Сохранить как...");
    // The active child is a 2-D view: its picture is offered too.
    EXPECT_EQ(requests[1].Filter,
              "SPM file (*.spm)|*.spm|SPM file 2001 (*.spm)|*.spm|Bitmap file (*.bmp)|*.bmp");
    EXPECT_EQ(requests[1].FilterIndex, 3);
    EXPECT_EQ(requests[1].FileName, "scan.spm");
    EXPECT_TRUE(requests[1].OverwritePrompt);

    step->SurfaceData->Acquire();
    ChannelSet all = step->SurfaceData->Present;
    ASSERT_EQ(SaveWithFormat(FileFormats[1].get(), dir.File("ref1.spm"), step->SurfaceData.get(), &all), fmtOk);
    ChannelSet zero{0};
    ASSERT_EQ(SaveWithFormat(FileFormats[0].get(), dir.File("ref0.spm"), step->SurfaceData.get(), &zero), fmtOk);
    step->SurfaceData->Release();
    EXPECT_EQ(testsupport::ReadBytes(dir.File("out1.spm")), testsupport::ReadBytes(dir.File("ref1.spm")));
    // The first entry writes SPM0 whatever the typed extension says.
    EXPECT_EQ(testsupport::ReadBytes(dir.File("out0.bmp")), testsupport::ReadBytes(dir.File("ref0.spm")));
    EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(MainWindowTest, OpensMssAndSpm0FilesByTheirExtensionUnderAllSupportedFiles)
{
    std::vector<std::uint8_t> mss(232, 0);
    mss[4] = 2;
    mss[6] = 3;
    for (int i = 0; i < 12; ++i)
        testsupport::Put<std::uint16_t>(mss, static_cast<std::uint16_t>(i));
    testsupport::WriteBytes(dir.File("a.afm"), mss);
    const std::string spm0 = WriteScan(dir, "SCAN.SPM", 0);
    testsupport::WriteBytes(dir.File("scan.txt"), {0, 0});
    dialogs.Choose(dir.File("a.afm"), 4);
    dialogs.Choose(spm0, 4);
    dialogs.Choose(dir.File("scan.txt"), 4);
    main->OpenClick();
    main->OpenClick();
    main->OpenClick();  // an unknown extension does nothing
    EXPECT_EQ(Items(main->cbObjectFile), (std::vector<std::string>{"a.afm", "SCAN.SPM"}));
    EXPECT_EQ(main->CurrentFile->Path, spm0);
    EXPECT_TRUE(messages.Texts().empty());
    EXPECT_EQ(Items(main->cbObjectStep), std::vector<std::string>{"1. Load"});
}

TEST_F(MainWindowTest, RefusesSpmFilesThatCannotBeOpened)
{
    struct Case { const char* name; std::vector<std::uint8_t> bytes; std::vector<std::string> texts; const char* caption; };
    const Case cases[] = {
        {"missing.spm", {}, {"File not found"}, "Error load file"},
        {"empty.spm", {}, {"Error read file"}, "Error"},
        {"one.spm", {0}, {"Error read file"}, "Error"},
        {"two.spm", {2, 0, 0, 0}, {"Error format file"}, "Error"},
        {"big.spm", {0, 1}, {"Error format file"}, "Error"},
        {"bad1.spm", {1, 0, 0}, {"Error read file", "ошибка чтения"}, "Error"},
    };
    for (const Case& c : cases) {
        messages.Clear();
        if (std::string(c.name) != "missing.spm")
            testsupport::WriteBytes(dir.File(c.name), c.bytes);
        main->OpenSPMFile(dir.File(c.name));
        EXPECT_EQ(messages.Texts(), c.texts) << c.name;
        if (!messages.Recorded().empty()) {
            EXPECT_EQ(messages.Recorded()[0].Caption, c.caption) << c.name;
        }
        EXPECT_EQ(main->cbObjectFile->count(), 0) << c.name;
        EXPECT_TRUE(DocumentCommandsDisabled(*main)) << c.name;
    }
}

TEST_F(MainWindowTest, ClosingTheOnlyStepClosesTheFileAndTheOtherFileBecomesCurrent)
{
    dialogs.Choose(WriteScan(dir, "a.spm", 1), 1);
    dialogs.Choose(WriteScan(dir, "b.spm", 1), 1);
    main->OpenClick();
    main->OpenClick();
    ASSERT_EQ(main->cbObjectFile->count(), 2);
    main->cbObjectFile->setCurrentIndex(1);
    main->sbCloseStepClick();  // b has one step: the file goes
    EXPECT_EQ(Items(main->cbObjectFile), std::vector<std::string>{"a.spm"});
    ASSERT_NE(main->CurrentFile, nullptr);
    EXPECT_EQ(main->CurrentFile->Path, dir.File("a.spm"));
    EXPECT_EQ(Items(main->cbObjectStep), std::vector<std::string>{"1. Load"});
    EXPECT_TRUE(DocumentCommandsEnabled(*main));
    main->sbCloseFileClick();
    EXPECT_EQ(main->CurrentFile, nullptr);
    EXPECT_EQ(main->cbObjectFile->count(), 0);
    EXPECT_TRUE(DocumentCommandsDisabled(*main));
    EXPECT_TRUE(main->PopupMenu2DBtn->actions().isEmpty());  // nothing bound to a closed step
}

TEST_F(MainWindowTest, ClosingAStepOfSeveralKeepsTheFile)
{
    dialogs.Choose(WriteScan(dir, "a.spm", 1), 1);
    main->OpenClick();
    main->CurrentFile->CurrentStep->SurfaceData->Acquire();
    TObjectSPM* copy = main->CurrentFile->AddStep("Copy");
    ASSERT_TRUE(copy);
    copy->SurfaceData->Release();
    main->CurrentFile->Steps[0].Step->SurfaceData->Release();
    EXPECT_EQ(Items(main->cbObjectStep), (std::vector<std::string>{"1. Load", "2. Copy"}));
    main->cbObjectStep->setCurrentIndex(1);
    main->sbCloseStepClick();
    EXPECT_EQ(Items(main->cbObjectStep), std::vector<std::string>{"1. Load"});
    ASSERT_EQ(main->CurrentFile->Steps.size(), 1u);
    EXPECT_EQ(main->CurrentFile->CurrentStep, main->CurrentFile->Steps[0].Step.get());
}

TEST_F(MainWindowTest, AnotherProgramsOpenRequestOpensTheFileNamedInTheSettingsStore)
{
    const std::string path = WriteScan(dir, "remote.spm", 1);
    ASSERT_TRUE(platform::WriteRegistryString("SOFTWARE\\SPM\\Viewer", "FileName", path));
    QLocalSocket client;
    client.connectToServer(QString::fromStdString(FileOpenRequestSocketName()));
    ASSERT_TRUE(client.waitForConnected(2000));
    client.write("0x83F0\n");
    client.flush();
    for (int i = 0; i < 100 && main->cbObjectFile->count() == 0; ++i)
        QTest::qWait(20);
    EXPECT_EQ(Items(main->cbObjectFile), std::vector<std::string>{"remote.spm"});
}

// A FIFO named as a scan, by the open dialog or by another program's open request, is
// refused as unreadable without waiting for a writer; so is a FIFO in the place of the
// settings store that names the file.
TEST_F(MainWindowTest, FifosNamedAsScansOrSettingsAreRefusedWithoutWaiting)
{
    const std::string spm = dir.File("x.spm"), afm = dir.File("x.afm");
    const std::string store = platform::WindowsFolder() + "SOFTWARE/SPM/Viewer.conf";
    ASSERT_EQ(::mkfifo(spm.c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo(afm.c_str(), 0600), 0);
    ASSERT_TRUE(platform::WriteRegistryString("SOFTWARE\\SPM\\Viewer", "FileName", spm));
    const bool inTime = testsupport::EndsWithoutWaitingOn({spm, afm, store}, [&] {
        main->SendWindowMessage(FileOpenRequestMessage);
        EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Error read file"});
        messages.Clear();
        dialogs.Choose(afm, 4);
        main->OpenClick();
        EXPECT_EQ(messages.Texts(), (std::vector<std::string>{"Error read file", "ошибка чтения"}));
        messages.Clear();
        ASSERT_EQ(::unlink(store.c_str()), 0);
        ASSERT_EQ(::mkfifo(store.c_str(), 0600), 0);
        main->SendWindowMessage(FileOpenRequestMessage);
        EXPECT_EQ(messages.Texts(), std::vector<std::string>{"File not found"});
    });
    EXPECT_TRUE(inTime) << "the program waited on a FIFO";
    EXPECT_EQ(main->cbObjectFile->count(), 0);
    EXPECT_TRUE(DocumentCommandsDisabled(*main));
}

TEST_F(MainWindowTest, APostedOpenRequestWithoutAValueSaysFileNotFound)
{
    main->PostWindowMessage(FileOpenRequestMessage);
    QApplication::processEvents();
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"File not found"});
    messages.Clear();
    main->SendWindowMessage(FileOpenRequestMessage);  // straight to the window's dispatch
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"File not found"});
    main->SendWindowMessage(WM_USER);  // no plug-in to release: nothing
    EXPECT_EQ(messages.Count(), 1u);
}
