#include "tools/SelectOneMatrix.h"

#include <QListWidget>
#include <QPushButton>

#include "tools/ListDialog.h"

TSelectOneMatrixForm* SelectOneMatrixForm = nullptr;

TSelectOneMatrixForm::TSelectOneMatrixForm(QWidget* owner, const TChannelNameTable& names,
                                           const ChannelSet& channels)
    : QDialog(owner)
{
    SelectOneMatrixForm = this;
    setObjectName("SelectOneMatrixForm");
    setWindowTitle("Select matrix...");
    clbData = new QListWidget(this);
    clbData->setObjectName("clbData");
    const TListDialogButtons buttons = LayOutListDialog(this, clbData);
    btOK = buttons.OK;
    btCancel = buttons.Cancel;
    connect(btOK, &QPushButton::clicked, this, &QDialog::accept);

    AddChannelItems(clbData, names, channels);
    if (clbData->count() > 0) {
        clbData->item(0)->setCheckState(Qt::Checked);
        clbData->setCurrentRow(0);
    }
    // Nothing to choose: OK would name no channel.
    btOK->setEnabled(clbData->count() > 0);
    // A click on an item's check box does not make its row current in a Qt list: the item
    // the user ticked becomes the highlighted one first, as a check-list box has it.
    connect(clbData, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        if (checking_)
            return;
        if (item && item != clbData->currentItem())
            clbData->setCurrentItem(item);
        clbDataClickCheck();
    });

    resize(220, 240);
}

TSelectOneMatrixForm::~TSelectOneMatrixForm()
{
    if (SelectOneMatrixForm == this)
        SelectOneMatrixForm = nullptr;
}

void TSelectOneMatrixForm::clbDataClickCheck()
{
    if (checking_)
        return;
    checking_ = true;
    const int current = clbData->currentRow();
    for (int i = 0; i < clbData->count(); ++i)
        clbData->item(i)->setCheckState(i == current ? Qt::Checked : Qt::Unchecked);
    checking_ = false;
}

int TSelectOneMatrixForm::SelectedChannel() const
{
    const QListWidgetItem* item = clbData->currentItem();
    return item ? item->data(Qt::UserRole).toInt() : -1;
}
