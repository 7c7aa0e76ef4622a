#pragma once
// The shape that the link-data dialog and its choosers share: a list over a row of
// buttons that ends in "&OK" and "&Cancel".

#include "data/Channels.h"
#include "data/Fileformat.h"

class QDialog;
class QHBoxLayout;
class QListWidget;
class QPushButton;
class QWidget;

struct TListDialogButtons {
    QPushButton* OK;      //!< "&OK", the default button; the caller connects it
    QPushButton* Cancel;  //!< "&Cancel": rejects the dialog
    QHBoxLayout* Row;     //!< the row; buttons inserted at 0 stand at its left end
};

//! Lays the dialog out as `list` over the button row.
TListDialogButtons LayOutListDialog(QDialog* dialog, QWidget* list);

//! Adds an unchecked, checkable item for every channel 0 to 29 of `channels`, in ascending
//! order, named from `names` (8-bit texts) and carrying its channel number (Qt::UserRole).
void AddChannelItems(QListWidget* list, const TChannelNameTable& names, const ChannelSet& channels);
