#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
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

// A name typed without extension takes the default extension of the entry shown (the
// preselected one, or the one the user picks) before the dialog asks whether to replace an
// existing file: the question names the file the program then writes.
TEST(QtFileDialogService, ATypedNameTakesTheShownEntrysExtensionBeforeTheOverwriteQuestion)
{
    testsupport::ScratchDir dir;
    testsupport::WriteBytes(dir.File("report.txt"), {'x'});
    platform::FileDialogRequest request;
    request.Save = true;
    request.OverwritePrompt = true;
    request.Filter = "SPM file (*.spm)|*.spm|Bitmap file (*.bmp)|*.bmp|Text file (*.txt)|*.txt";
    request.FilterExtensions = {".spm", ".bmp", ".txt"};

    // Types a name, optionally picks the next entry of the type list with the Down key, and
    // presses Enter; answers an overwrite question with Yes and keeps its text.
    QString question;
    const auto typeAndAccept = [&](const char* name, bool nextEntry) {
        QTimer::singleShot(0, [&, name, nextEntry] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_TRUE(dialog);
            dialog->setDirectory(QString::fromStdString(dir.Path()));
            if (nextEntry) {
                auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
                ASSERT_TRUE(types);
                QTest::keyClick(types, Qt::Key_Down);
            }
            auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
            ASSERT_TRUE(edit);
            edit->clear();
            QTest::keyClicks(edit, name);
            QTimer::singleShot(0, [&] {
                if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                    question = box->text();
                    box->button(QMessageBox::Yes)->click();
                }
            });
            QTest::keyClick(edit, Qt::Key_Return);
        });
    };
    platform::QtFileDialogService service;

    request.FilterIndex = 3;
    typeAndAccept("report", false);
    ASSERT_TRUE(service.Run(request));
    EXPECT_EQ(request.FileName, dir.File("report.txt"));
    EXPECT_EQ(request.FilterIndex, 3);
    EXPECT_TRUE(question.startsWith("report.txt already exists")) << question.toStdString();

    question.clear();
    request.FilterIndex = 1;
    request.FileName.clear();
    typeAndAccept("picture", true);
    ASSERT_TRUE(service.Run(request));
    EXPECT_EQ(request.FileName, dir.File("picture.bmp"));
    EXPECT_EQ(request.FilterIndex, 2);
    EXPECT_TRUE(question.isEmpty());
}
