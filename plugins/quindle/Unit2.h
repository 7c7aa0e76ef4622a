#pragma once
// The plot-options window "Plot options" of the result window: the chart's colours, the
// measured line's colour and width, point marks and grids, each applied at once. It
// starts from its own initial settings every time, not from the chart's.

#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace quindle {

class TColorBox;
class TForm1;
class TSpinButton;

class TGraphicOptions : public QDialog {
    Q_OBJECT
public:
    //! The window owned by the result window whose chart it changes.
    explicit TGraphicOptions(TForm1& owner);

    QGroupBox* GroupBox1;
    TColorBox* graphiccolor;      //!< "Plot window color": white
    TColorBox* graphicbackcolor;  //!< "Plot background": white
    TColorBox* linecolor;         //!< "Line color": red
    TColorBox* ColorBox2;         //!< "Label text color": the box's default, black
    QLabel* linewidth;            //!< "Line width": "1"
    TSpinButton* Spin;
    QCheckBox* CheckBox1;         //!< "Show points marks": clear
    QCheckBox* CheckBox2;         //!< "Show vertical grid": ticked
    QCheckBox* CheckBox3;         //!< "Show horizontal grid": ticked
    QPushButton* BitBtn1;         //!< OK

public slots:
    void graphiccolorChange();
    void graphicbackcolorChange();
    void linecolorChange();
    void ColorBox2Change();
    //! The width grows by one while it is at most 9, and the line takes it.
    void SpinUpClick();
    //! The width shrinks by one while it is at least 2, and the line takes it.
    void SpinDownClick();
    void CheckBox1Click();
    void CheckBox2Click();
    void CheckBox3Click();

private:
    void SetLineWidth(int width);

    TForm1& form_;
};

}  // namespace quindle
