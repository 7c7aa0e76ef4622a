#pragma once
// The modal arithmetic dialog "Arithmetic": channel 0 of the current step plus, minus, times
// or divided by a number, or value by value by a channel of a second SPM file; each
// operation makes a new step of the file and closes the dialog. An operation that cannot
// be done (division by zero, a Z scale of 0, a second operand that does not load) is
// refused with its message before any step is made, and the dialog stays open.

#include <QDialog>
#include <memory>
#include <string>

#include "platform/core/Dialogs.h"

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class TSPMData;
class TSurfaceData;
class TZtEdit;

class TArithmeticForm : public QDialog {
    Q_OBJECT
public:
    //! Takes channel 0 of the main window's current step as the first operand and shows
    //! its source file; the number is 1.
    explicit TArithmeticForm(QWidget* owner);
    ~TArithmeticForm() override;

    // Fields.
    float Number = 1.0f;
    //! Channel 0 of the current step at creation; after an operation, of the new step.
    TSPMData* FirstChannel = nullptr;
    //! The second file's channel, loaded for one operation; null otherwise.
    std::unique_ptr<TSurfaceData> SecondData;
    bool FirstIsCurrentStep = true;

    // Components.
    QGroupBox* GroupBox1;
    QLabel* Label1;
    QLabel* stFirstFile;
    QPushButton* btChangeFirstFile;
    QGroupBox* GroupBox2;
    QRadioButton* rbNumber;
    QLabel* Label2;
    TZtEdit* edNumber;
    QRadioButton* rbFile;
    QLabel* stSecondFile;
    QPushButton* btChangeSecondFile;
    QPushButton* btAdd;
    QPushButton* btSub;
    QPushButton* btMultiply;
    QPushButton* btDevide;
    QPushButton* btCancel;
    platform::FileDialogRequest OpenDialog;

    // Handlers.
    //! The operation of the button's Tag: 0 +, 1 −, 2 ×, 3 /.
    void Operation(int tag);
    void btCancelClick();
    void btChangeFirstFileClick();
    void btChangeSecondFileClick();
    void rbFileClick();
    void edNumberEnterValue();

    //! The number applied to FirstChannel (locked for the pass).
    void ApplyNumber(int tag);
    //! The second file's channel applied to FirstChannel; loads it when it is not loaded
    //! yet, and drops it afterwards.
    void ApplyFile(int tag);
    //! The chosen channel of the second file, loaded into SecondData; null after a message
    //! or a cancelled choice.
    TSPMData* LoadSecondChannel(const std::string& path);

private:
    //! Opens the file chosen as first operand as a new file, whose first step becomes the
    //! current step; false when it could not be opened.
    bool OpenFirstFile();
    TSPMData* secondChannel_ = nullptr;
};
