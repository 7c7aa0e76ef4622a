#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "app/AppFixture.h"
#include "app/ImportBitmap.h"
#include "components/ZtEdit.h"
#include "data/ObjectFile.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/Colors.h"

using appfixture::MainWindowTest;
using platform::FloatToStr;

namespace {

// A picture whose pixel (x, y) has red x + y, green 7 and blue 9.
std::unique_ptr<platform::TBitmap> Picture(int width, int height)
{
    auto bmp = std::make_unique<platform::TBitmap>();
    bmp->SetPixelFormat(platform::pf24bit);
    bmp->SetSize(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bmp->Canvas()->SetPixels(x, y, platform::RGB((x + y) % 256, 7, 9));
    return bmp;
}

std::vector<std::int32_t> Values(TSPMData& ch)
{
    ch.Lock();
    std::vector<std::int32_t> v(ch.GetData(), ch.GetData() + ch.SampleCount());
    ch.Unlock();
    return v;
}

// Presses a button of the import dialog once it runs modally.
void WhenTheDialogRuns(std::function<void(TFImpBMP&)> act)
{
    QTimer::singleShot(0, [act] {
        if (auto* d = qobject_cast<TFImpBMP*>(QApplication::activeModalWidget()))
            act(*d);
    });
}

}  // namespace

TEST(ImportBitmap, SelectionAndCalibrationRules)
{
    EXPECT_EQ(NormalizedSelection({10, 10}, {5, 20}), (TRect32{5, 10, 10, 20}));
    double scale = 0;
    ASSERT_TRUE(CalibrationScale({0, 0}, {120, 160}, 1000, scale));  // a line 200 pixels long
    EXPECT_EQ(scale, 5.0);
    scale = 3;
    EXPECT_FALSE(CalibrationScale({4, 4}, {4, 4}, 1000, scale));
    EXPECT_FALSE(CalibrationScale({0, 0}, {1, 0}, -5, scale));
    EXPECT_EQ(scale, 3.0);
    struct Row { double v; const char* text; };
    for (const Row& r : {Row{5, "5"}, Row{0.1, "0.1"}, Row{2.5, "2.5"}, Row{1e20, "1E20"},
                         Row{-3.25e-7, "-3.25E-7"}, Row{1.0 / 3, "0.333333333333333"}})
        EXPECT_EQ(FloatToStr(r.v), r.text);
}

TEST(ImportBitmap, TheSurfaceIsMeasuredBetweenTheCornerPixels)
{
    auto picture = Picture(100, 80);
    auto whole = BitmapSurface(*picture, {0, 0, 99, 79}, 2, 3, 0.5, "/x/a.bmp");
    ASSERT_TRUE(whole);
    TSPMData& ch = *whole->Channels[0];
    EXPECT_EQ(ch.Header.Width, 99);
    EXPECT_EQ(ch.Header.Height, 79);
    EXPECT_EQ(ch.Header.XStep, 2.0f);
    EXPECT_EQ(ch.Header.ZScale, 0.5f);
    EXPECT_EQ(whole->Header.Width, 99);
    EXPECT_EQ(whole->ChannelList.at(0).Name, "Topography");
    EXPECT_EQ(whole->ChannelList.at(0).Locate.FormatIndex, 3);
    EXPECT_EQ(ch.SourceFile, "/x/a.bmp");
    EXPECT_EQ(Values(ch)[99 * 2 + 5], 7);  // red of pixel (5, 2)
    EXPECT_TRUE(ch.HasPalette);

    auto part = BitmapSurface(*picture, NormalizedSelection({10, 10}, {5, 20}), 1, 1, 1, "a.bmp");
    ASSERT_TRUE(part);
    EXPECT_EQ(part->Channels[0]->Header.Width, 5);
    EXPECT_EQ(part->Channels[0]->Header.Height, 10);
    EXPECT_EQ(Values(*part->Channels[0])[0], 15);  // pixel (5, 10)

    EXPECT_FALSE(BitmapSurface(*picture, {5, 5, 5, 30}, 1, 1, 1, "a.bmp"));    // no width
    EXPECT_FALSE(BitmapSurface(*picture, {5, 5, 30, 5}, 1, 1, 1, "a.bmp"));    // no height
    EXPECT_FALSE(BitmapSurface(*picture, {50, 50, 300, 60}, 1, 1, 1, "a.bmp"));  // outside
}

TEST(ImportBitmap, TheDialogSelectsCalibratesAndRefusesBadValues)
{
    platform::MessageRecorder messages;
    TFImpBMP dialog;
    EXPECT_EQ(dialog.windowTitle(), "Import bitmap file");
    EXPECT_FALSE(dialog.BBImport->isEnabled());
    auto picture = Picture(40, 30);
    dialog.SetBitmap(picture.get());
    EXPECT_TRUE(dialog.BBImport->isEnabled());
    EXPECT_EQ(dialog.GetSelection(), (TRect32{0, 0, 39, 29}));
    dialog.ZtImageBitmapMouseDown(0, 10, 10);
    dialog.ZtImageBitmapMouseMove(5, 20);
    dialog.ZtImageBitmapMouseUp(0);
    dialog.ZtImageBitmapMouseMove(30, 30);  // not dragging any more
    EXPECT_EQ(dialog.GetSelection(), (TRect32{5, 10, 10, 20}));

    dialog.sbCalibrate->click();
    dialog.ZtImageBitmapMouseDown(0, 0, 0);
    dialog.ZtImageBitmapMouseMove(0, 200);
    EXPECT_EQ(dialog.ScaleX, 5.0);
    EXPECT_EQ(dialog.ScaleY, 5.0);
    EXPECT_EQ(dialog.ScaleZ, 1.0);
    EXPECT_EQ(dialog.zteScaleX->Text(), "5");
    EXPECT_EQ(dialog.GetSelection(), (TRect32{5, 10, 10, 20}));  // calibrating leaves the selection
    dialog.zteDistance->SetText("2000");
    dialog.zteDistanceEnterValue();
    EXPECT_EQ(dialog.ScaleX, 10.0);

    dialog.zteScaleZ->SetText("abc");
    dialog.zteScaleZEnterValue();
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Value error!"});
    EXPECT_EQ(dialog.zteScaleZ->Text(), "1");
    EXPECT_EQ(dialog.ScaleZ, 1.0);
}

// Enter in any box enters its value and selects the text; it never reaches the dialog's
// default button, so the dialog stays open.
TEST(ImportBitmap, EnterInEachBoxStoresItsValueAndKeepsTheDialogOpen)
{
    platform::MessageRecorder messages;
    TFImpBMP dialog;
    auto picture = Picture(40, 30);
    dialog.SetBitmap(picture.get());
    dialog.show();
    ASSERT_TRUE(dialog.BBImport->isDefault()); // what Enter would press if it got through
    const struct {
        TZtEdit* Box;
        const char* Typed;
        std::function<double()> Field;
        double Value;
    } cases[] = {
        {dialog.zteScaleX, "2.5", [&] { return dialog.ScaleX; }, 2.5},
        {dialog.zteScaleY, "0.25", [&] { return dialog.ScaleY; }, 0.25},
        {dialog.zteScaleZ, "3e2", [&] { return dialog.ScaleZ; }, 300},
        {dialog.zteDistance, "2000", [&] { return double(dialog.Distance); }, 2000},
    };
    for (const auto& c : cases) {
        c.Box->selectAll();
        QTest::keyClicks(c.Box, c.Typed);
        QTest::keyClick(c.Box, Qt::Key_Return);
        EXPECT_TRUE(dialog.isVisible()) << c.Typed;
        EXPECT_EQ(dialog.result(), 0) << c.Typed;
        EXPECT_EQ(c.Field(), c.Value);
        EXPECT_EQ(c.Box->selectedText(), c.Box->Text());
    }
    EXPECT_TRUE(messages.Texts().empty());
}

// The pointer may leave the picture while the selection is dragged: the corners stay on
// its pixels.
TEST(ImportBitmap, DraggingPastThePicturesEdgeKeepsTheSelectionInside)
{
    TFImpBMP dialog;
    auto picture = Picture(40, 30);
    dialog.SetBitmap(picture.get());
    const struct {
        platform::TPoint Down;
        platform::TPoint Move;
        TRect32 Selection;
    } drags[] = {
        {{10, 10}, {500, -30}, {10, 0, 39, 10}},
        {{-5, 50}, {20, 5}, {0, 5, 20, 29}},
        {{39, 29}, {40, 30}, {39, 29, 39, 29}},
        {{45, -1}, {-7, 31}, {0, 0, 39, 29}},
    };
    for (const auto& d : drags) {
        dialog.ZtImageBitmapMouseDown(0, d.Down.x, d.Down.y);
        dialog.ZtImageBitmapMouseMove(d.Move.x, d.Move.y);
        dialog.ZtImageBitmapMouseUp(0);
        EXPECT_EQ(dialog.GetSelection(), d.Selection) << d.Move.x << "," << d.Move.y;
    }
}

TEST_F(MainWindowTest, ASelectionDraggedPastTheEdgeImportsUpToTheEdge)
{
    auto picture = Picture(100, 80);
    ASSERT_TRUE(picture->SaveToFile(dir.File("a.bmp")));
    dialogs.Choose(dir.File("a.bmp"), 3);
    WhenTheDialogRuns([](TFImpBMP& d) {
        d.ZtImageBitmapMouseDown(0, 90, 70);
        d.ZtImageBitmapMouseMove(300, 250);
        d.BBImport->click();
    });
    main->OpenClick();
    EXPECT_TRUE(messages.Texts().empty());
    ASSERT_NE(main->CurrentFile, nullptr);
    TObjectSPM* step = main->CurrentStep();
    step->SurfaceData->Acquire();
    EXPECT_EQ(step->SurfaceData->Channels[0]->Header.Width, 9);
    EXPECT_EQ(step->SurfaceData->Channels[0]->Header.Height, 9);
    EXPECT_EQ(Values(*step->SurfaceData->Channels[0])[0], (90 + 70) % 256); // pixel (90, 70)
    step->SurfaceData->Release();
}

TEST_F(MainWindowTest, ImportsABitmapAsANewFile)
{
    auto picture = Picture(100, 80);
    ASSERT_TRUE(picture->SaveToFile(dir.File("a.bmp")));
    dialogs.Choose(dir.File("a.bmp"), 3);
    WhenTheDialogRuns([](TFImpBMP& d) { d.BBImport->click(); });
    main->OpenClick();
    ASSERT_NE(main->CurrentFile, nullptr);
    EXPECT_EQ(main->cbObjectFile->itemText(0), "a.bmp");
    EXPECT_EQ(main->cbObjectStep->itemText(0), "1. Load");
    TObjectSPM* step = main->CurrentStep();
    EXPECT_EQ(step->FileName, dir.File("a.bmp"));
    step->SurfaceData->Acquire();
    EXPECT_EQ(step->SurfaceData->Channels[0]->Header.Width, 99);
    EXPECT_EQ(step->SurfaceData->Channels[0]->Header.Height, 79);
    step->SurfaceData->Release();
    EXPECT_EQ(step->ProfileSegment, (TRect32{0, 0, 98, 78}));
    EXPECT_TRUE(main->Save->isEnabled());
    EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(MainWindowTest, ACancelledOrFailedImportAddsNothing)
{
    auto picture = Picture(20, 20);
    ASSERT_TRUE(picture->SaveToFile(dir.File("b.bmp")));
    testsupport::WriteBytes(dir.File("bad.bmp"), {'B', 'M', 1, 2, 3});
    dialogs.Choose(dir.File("b.bmp"), 3);
    WhenTheDialogRuns([](TFImpBMP& d) { d.BBCancel->click(); });
    main->OpenClick();
    EXPECT_EQ(main->cbObjectFile->count(), 0);
    dialogs.Choose(dir.File("b.bmp"), 3);
    WhenTheDialogRuns([](TFImpBMP& d) {
        d.ZtImageBitmapMouseDown(0, 3, 3);
        d.ZtImageBitmapMouseMove(3, 9);  // a selection of no width
        d.BBImport->click();
    });
    main->OpenClick();
    EXPECT_EQ(main->cbObjectFile->count(), 0);
    ASSERT_EQ(messages.Count(), 1u);
    messages.Clear();
    dialogs.Choose(dir.File("bad.bmp"), 4);
    main->OpenClick();
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Error!"});
    EXPECT_EQ(main->cbObjectFile->count(), 0);
}
