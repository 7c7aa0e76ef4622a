#pragma once
// Flattening: the six methods of the Flattening menu as members of the channel, and the
// modal dialog "Flatten out" that shows the fitted factors of the whole-channel models and
// lets the user change them before the background is subtracted.

#include <QDialog>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;
class TSPMData;

//! A flattening member of the channel: true when it flattened, false when its dialog was
//! cancelled.
using TFlattenMethod = bool (TSPMData::*)();

//! The members by the menu items' Tags 0 to 5: line on X, line on Y, plane, parabola on X,
//! parabola on Y, paraboloid.
extern const TFlattenMethod FlattenMethods[6];

//! The names of the steps the methods make, by Tag; the channel's name follows.
extern const char* const FlattenStepNames[6];

class TFlatteningForm : public QDialog {
    Q_OBJECT
public:
    //! The three-factor dialog bound to the caller's factors A, B and C.
    TFlatteningForm(QWidget* owner, long double& A, long double& B, long double& C,
                    const std::string& method);
    //! The six-factor dialog bound to A to F.
    TFlatteningForm(QWidget* owner, long double& A, long double& B, long double& C,
                    long double& D, long double& E, long double& F, const std::string& method);

    QLabel* Label1;
    QLabel* lbFlatMethod;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label6;
    QLabel* Label7;
    QLabel* Label8;
    QLineEdit* edFactorA;
    QLineEdit* edFactorB;
    QLineEdit* edFactorC;
    QLineEdit* edFactorD;
    QLineEdit* edFactorE;
    QLineEdit* edFactorF;
    QPushButton* btOK;
    QPushButton* btCancel;

    //! A factor box's text changed: while the dialog is visible it is parsed at once into
    //! the factor of the box's Tag; a text that is no number is refused ("Value must be
    //! float!") and the box shows the factor again.
    void edFactorChange(QLineEdit* box);
    //! Enter in a factor box moves the focus on in tab order; true when it took the key.
    bool edFactorAKeyDown(QLineEdit* box, int key);
    //! Esc closes the dialog with Cancel.
    void FormKeyDown(int key);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Build(const std::string& method, int factors);
    long double* factors_[6] = {};
    long double unused_[3] = {};
    bool restoring_ = false;
};
