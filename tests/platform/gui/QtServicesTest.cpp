#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QTimer>

#include "platform/gui/QtServices.h"
#include "support/TestSupport.h"

// The real file dialog, driven while it runs: its type list shows each filter's text once
// (Qt would add the patterns after texts that already name them), the preselected entry
// is the request's, and the entry the user picks comes back as its 1-based index.
TEST(QtFileDialogService, ShowsEachFilterTextOnceAndAnswersTheChosenEntry)
{
    testsupport::ScratchDir dir;
    testsupport::WriteBytes(dir.File("scan.afm"), {1, 2});
    platform::FileDialogRequest request;
    request.Title = "Open file ...";
    request.Filter = "SPM format (*.spm;*.ppm)|*.spm;*.ppm|MSS format (*.afm)|*.afm|"
                     "All supported files|*.spm;*.ppm;*.afm;*.bmp";
    request.FilterIndex = 3;
    request.FileMustExist = true;

    QStringList shown;
    int preselected = -1;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        if (auto* types = dialog->findChild<QComboBox*>("fileTypeCombo")) {
            for (int i = 0; i < types->count(); ++i)
                shown << types->itemText(i);
            preselected = types->currentIndex();
        }
        dialog->selectNameFilter("MSS format (*.afm) (*.afm)");
        dialog->selectFile(QString::fromStdString(dir.File("scan.afm")));
        static_cast<QDialog*>(dialog)->accept();  // the dialog's own check of the name runs
    });
    platform::QtFileDialogService service;
    ASSERT_TRUE(service.Run(request));
    EXPECT_EQ(shown, (QStringList{"SPM format (*.spm;*.ppm)", "MSS format (*.afm)", "All supported files"}));
    EXPECT_EQ(preselected, 2);
    EXPECT_EQ(request.FilterIndex, 2);
    EXPECT_EQ(request.FileName, dir.File("scan.afm"));
}
