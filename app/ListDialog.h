#pragma once
// The shape that the link-data dialog and its choosers share: a list over a row of
// buttons that ends in "&OK" and "&Cancel".

class QDialog;
class QHBoxLayout;
class QPushButton;
class QWidget;

struct TListDialogButtons {
    QPushButton* OK;      //!< "&OK", the default button; the caller connects it
    QPushButton* Cancel;  //!< "&Cancel": rejects the dialog
    QHBoxLayout* Row;     //!< the row; buttons inserted at 0 stand at its left end
};

//! Lays the dialog out as `list` over the button row.
TListDialogButtons LayOutListDialog(QDialog* dialog, QWidget* list);
