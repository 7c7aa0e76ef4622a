#pragma once
// "Select mode": the channel slot into which the one matrix of a file (of unstated kind)
// is linked.

#include <QDialog>
#include <cstdint>

#include "data/Channels.h"

class QListWidget;
class QPushButton;

class TSelectModeForm : public QDialog {
    Q_OBJECT
public:
    //! Offers channels 0 to 5 by their names (position = channel), or the user channel 20
    //! alone when `userOnly`; the item at `preselected` starts selected when there is one.
    //! On OK `chosen` holds the channel; with nothing selected it is 255 and the dialog
    //! closes without a link.
    TSelectModeForm(QWidget* owner, bool userOnly, std::uint8_t& chosen, int preselected,
                    const ChannelSet& linked);

    QListWidget* lbData;
    QPushButton* btOK;
    QPushButton* btCancel;

public slots:
    void btOKClick();

private:
    bool userOnly_;
    std::uint8_t& chosen_;
    ChannelSet linked_;
};
