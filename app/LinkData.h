#pragma once
// The link-data dialog: every channel a data set can draw on, each with the file it comes
// from. Unchecking drops a loaded channel, checking loads one, and "&Add link" brings in
// channels of another SPM or MSS file. Nothing changes before OK.

#include <QDialog>
#include <string>
#include <vector>

#include "data/Surfacedata.h"

class QListWidget;
class QListWidgetItem;
class QPushButton;

//! Replaces the target's entries by copies of the source's (names and sources).
void CopyLocateList(const std::vector<TChannelListEntry>& source, std::vector<TChannelListEntry>& target);

class TLinkDataForm : public QDialog {
    Q_OBJECT
public:
    //! A dialog on the data set; the caller runs it modally, then calls ShowFailures.
    TLinkDataForm(QWidget* owner, TSurfaceData* data);

    std::int32_t DefaultIndex = 0;
    TSurfaceData* Data = nullptr;
    ChannelSet Relinked;
    std::vector<TChannelListEntry> LinkList;
    ChannelSet Available;

    QListWidget* clbData;
    QPushButton* btLoad;
    QPushButton* btOK;
    QPushButton* btCancel;

    void RefreshList();
    //! Tells of the channels whose new source could not be read, which kept their old one.
    //! The caller shows them once the step's windows follow the data set again.
    void ShowFailures();

public slots:
    void btLoadClick();
    void btOKClick();
    void clbDataClickCheck(QListWidgetItem* item);

private:
    //! The check list's items become the entries of LinkList, unchecked.
    void FillItems();
    //! Loads channel c of the entry into the data set, replacing the channel there only
    //! when the load succeeded; the status.
    std::int32_t LoadChannel(const TChannelListEntry& entry);

    bool filling_ = false;
    std::vector<std::int32_t> failures_;
};
