#pragma once
// "Select matrix": the channels of a file that stores several named channels, to choose
// which of them to link.

#include <QDialog>

#include "data/Channels.h"
#include "data/Fileformat.h"

class QListWidget;
class QPushButton;

class TSelectMatrixForm : public QDialog {
    Q_OBJECT
public:
    //! Offers the channels 0..29 of `offered`, named from `names`; on OK `result` holds
    //! the checked ones. Channels of `linked` already have a source: choosing one asks.
    TSelectMatrixForm(QWidget* owner, ChannelSet& result, const TChannelNameTable& names,
                      const ChannelSet& offered, const ChannelSet& linked);

    QListWidget* clbData;
    QPushButton* btOK;
    QPushButton* btCancel;

public slots:
    void btOKClick();

private:
    ChannelSet& result_;
    ChannelSet linked_;
};
