#include "SelectMode.h"

#include <QListWidget>
#include <QPushButton>

#include "data/Spmdata.h"
#include "tools/ListDialog.h"
#include "platform/core/Messages.h"
#include "platform/core/Text.h"

namespace {
std::string SlotName(int channel)
{
    return platform::Cp1251ToUtf8(FieldText(ChannelNames[channel], sizeof ChannelNames[channel]));
}
}  // namespace

TSelectModeForm::TSelectModeForm(QWidget* owner, bool userOnly, std::uint8_t& chosen, int preselected,
                                 const ChannelSet& linked)
    : QDialog(owner), userOnly_(userOnly), chosen_(chosen), linked_(linked)
{
    setObjectName("SelectModeForm");
    setWindowTitle("Select mode");
    lbData = new QListWidget(this);
    lbData->setObjectName("lbData");
    const TListDialogButtons buttons = LayOutListDialog(this, lbData);
    btOK = buttons.OK;
    btCancel = buttons.Cancel;
    connect(btOK, &QPushButton::clicked, this, &TSelectModeForm::btOKClick);

    if (userOnly_) {
        lbData->addItem(QString::fromUtf8(SlotName(FirstUserChannel).c_str()));
    } else {
        for (int c = 0; c <= 5; ++c)
            lbData->addItem(QString::fromUtf8(SlotName(c).c_str()));
    }
    // The single user-channel item starts unselected.
    lbData->setCurrentRow(-1);
    lbData->clearSelection();
    if (!userOnly_ && preselected >= 0 && preselected < lbData->count())
        lbData->setCurrentRow(preselected);
    chosen_ = NoChannel;
}

void TSelectModeForm::btOKClick()
{
    const int row = lbData->currentRow();
    const bool selected = row >= 0 && lbData->item(row) && lbData->item(row)->isSelected();
    if (!selected) {
        // Nothing chosen: nothing is linked.
        chosen_ = NoChannel;
        reject();
        return;
    }
    const int channel = userOnly_ ? FirstUserChannel : row;
    if (linked_.Contains(channel) &&
        platform::ShowMessage(SlotName(channel) + " loaded. Continue?", "Warning!",
                              platform::MessageIcon::Warning,
                              platform::MessageButtons::YesNo) != platform::MessageResult::Yes)
        return;  // the dialog stays open
    chosen_ = static_cast<std::uint8_t>(channel);
    accept();
}
