#pragma once
// The modal one-channel chooser "Select matrix...": the channels of a file by name, one of
// them checked, the highlighted one chosen with OK.

#include <QDialog>

#include "data/Channels.h"
#include "data/Fileformat.h"

class QListWidget;
class QListWidgetItem;
class QPushButton;

class TSelectOneMatrixForm : public QDialog {
    Q_OBJECT
public:
    //! Lists every channel 0 to 29 of `channels` by its name in `names` (8-bit texts), in
    //! ascending order, each carrying its channel number; the first is checked and
    //! highlighted. With nothing to list, OK cannot be pressed: the chooser can only be
    //! cancelled.
    TSelectOneMatrixForm(QWidget* owner, const TChannelNameTable& names, const ChannelSet& channels);
    ~TSelectOneMatrixForm() override;

    QListWidget* clbData;
    QPushButton* btOK;
    QPushButton* btCancel;

    //! After a click on a check box: exactly the highlighted item is checked.
    void clbDataClickCheck();
    //! The channel number of the highlighted item, -1 when none is.
    int SelectedChannel() const;

private:
    bool checking_ = false;
};

//! The chooser while it is open, else null.
extern TSelectOneMatrixForm* SelectOneMatrixForm;
