#include <gtest/gtest.h>

#include <QComboBox>
#include <QImage>
#include <QLocalSocket>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QToolButton>
#include <cstring>
#include <sys/wait.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/AppFixture.h"
#include "data/DataFixtures.h"
#include "data/Fileformat.h"
#include "data/ObjectFile.h"
#include "data/Options.h"
#include "platform/core/Files.h"
#include "platform/gui/Bitmap.h"
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
    EXPECT_EQ(requests[1].FileName, "scan.bmp"); // the bitmap entry's extension
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

// Save offers the file's own name with the extension of the entry it preselects, whichever
// way it is asked for: accepting the defaults puts the 2-D view's picture into scan.bmp and
// the reports into scan.txt beside the scan, which stays as it was. With no entry of the
// window's own the SPM entries offer scan.spm.
TEST_F(MainWindowTest, AcceptingSavesDefaultsNeverWritesAPictureOrAReportIntoTheScan)
{
    const std::string path = WriteScan(dir, "scan.spm", 1);
    const auto scan = testsupport::ReadBytes(path);
    dialogs.Choose(path, 1);
    main->OpenClick();
    ASSERT_TRUE(main->CurrentStep());
    QApplication::setActiveWindow(main.get());

    dialogs.AcceptIn(dir.Path());
    QTest::keyClick(main->MdiArea->activeSubWindow()->widget(), Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(dialogs.Requests().size(), 2u) << "Ctrl+S runs the save dialog";
    main->AProfile->trigger();
    dialogs.AcceptIn(dir.Path());
    QTest::mouseClick(main->SaveBtn, Qt::LeftButton);
    main->ASurfaceInfo->trigger();
    dialogs.AcceptIn(dir.Path());
    main->Save->trigger();
    main->MdiArea->closeAllSubWindows();
    QApplication::processEvents();
    dialogs.Cancel();
    main->Save->trigger();

    const auto requests = dialogs.Requests();
    ASSERT_EQ(requests.size(), 5u);
    const std::vector<std::pair<std::string, int>> offered{
        {"scan.bmp", 3}, {"scan.txt", 4}, {"scan.txt", 3}, {"scan.spm", 3}};
    for (std::size_t i = 0; i < offered.size(); ++i) {
        EXPECT_EQ(requests[i + 1].FileName, offered[i].first) << i;
        EXPECT_EQ(requests[i + 1].FilterIndex, offered[i].second) << i;
    }
    // The dialog adds each entry's own extension to a name typed without one.
    EXPECT_EQ(requests[2].FilterExtensions,
              (std::vector<std::string>{".spm", ".spm", ".bmp", ".txt"}));

    EXPECT_EQ(testsupport::ReadBytes(path), scan);
    platform::TBitmap picture;
    EXPECT_TRUE(picture.LoadFromFile(dir.File("scan.bmp")));
    const auto bytes = testsupport::ReadBytes(dir.File("scan.txt"));
    const std::string reports(bytes.begin(), bytes.end());
    EXPECT_NE(reports.find("\n Profile  [0;0] - [7;5] of file  scan.spm ()"), std::string::npos)
        << reports;
    EXPECT_NE(reports.find("\n Information  -  scan.spm"), std::string::npos) << reports;
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

// Swap files outlive a program that is killed. A start deletes those that no running
// program holds; a child process stands for another Morvane that runs meanwhile.
TEST_F(MainWindowTest, AStartRemovesTheSwapFilesOfEndedProgramsOnly)
{
    const std::string temp = GlobalOptions.TempDir;
    for (const char* name : {"TMP3.$$$", "TMP41.$$$"})
        testsupport::WriteBytes(temp + name, {1, 2, 3, 4});
    int names[2], done[2];
    ASSERT_EQ(::pipe(names), 0);
    ASSERT_EQ(::pipe(done), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(done[1]);
        std::string held;
        for (int i = 0; i < 2; ++i) {
            const std::string path = platform::CreateNumberedFile(temp, "TMP", ".$$$");
            platform::AppendToFile(path, "swapped data");
            held += path + "\n";
        }
        [[maybe_unused]] const auto n = ::write(names[1], held.data(), held.size());
        ::close(names[1]);
        char end;
        [[maybe_unused]] const auto r = ::read(done[0], &end, 1);  // until the test lets go
        ::_exit(0);
    }
    ::close(names[1]);
    ::close(done[0]);
    std::string held;
    char buffer[512];
    for (ssize_t n; (n = ::read(names[0], buffer, sizeof buffer)) > 0;)
        held.append(buffer, static_cast<std::size_t>(n));
    ::close(names[0]);
    const auto first = held.substr(0, held.find('\n'));
    const auto second = held.substr(held.find('\n') + 1, held.size() - held.find('\n') - 2);
    ASSERT_TRUE(platform::FileExists(first));
    ASSERT_TRUE(platform::FileExists(second));

    Restart();
    EXPECT_FALSE(platform::FileExists(temp + "TMP3.$$$"));
    EXPECT_FALSE(platform::FileExists(temp + "TMP41.$$$"));
    EXPECT_TRUE(platform::FileExists(first));
    EXPECT_TRUE(platform::FileExists(second));
    EXPECT_TRUE(messages.Texts().empty());

    // The other program ends without deleting them: the next start does.
    ::close(done[1]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    Restart();
    EXPECT_FALSE(platform::FileExists(first));
    EXPECT_FALSE(platform::FileExists(second));
}
