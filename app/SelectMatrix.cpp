#include "SelectMatrix.h"

#include <QListWidget>
#include <QPushButton>

#include "tools/ListDialog.h"
#include "platform/core/Messages.h"
#include "platform/core/Text.h"

TSelectMatrixForm::TSelectMatrixForm(QWidget* owner, ChannelSet& result, const TChannelNameTable& names,
                                     const ChannelSet& offered, const ChannelSet& linked)
    : QDialog(owner), result_(result), linked_(linked)
{
    setObjectName("SelectMatrixForm");
    setWindowTitle("Select matrix");
    clbData = new QListWidget(this);
    clbData->setObjectName("clbData");
    const TListDialogButtons buttons = LayOutListDialog(this, clbData);
    btOK = buttons.OK;
    btCancel = buttons.Cancel;
    connect(btOK, &QPushButton::clicked, this, &TSelectMatrixForm::btOKClick);

    AddChannelItems(clbData, names, offered);
}

void TSelectMatrixForm::btOKClick()
{
    result_.Clear();
    std::string loaded;
    for (int i = 0; i < clbData->count(); ++i) {
        const QListWidgetItem* item = clbData->item(i);
        if (item->checkState() != Qt::Checked)
            continue;
        const int c = item->data(Qt::UserRole).toInt();
        result_.Include(c);
        if (linked_.Contains(c))
            loaded += item->text().toStdString() + ", ";
    }
    if (!loaded.empty() &&
        platform::ShowMessage(loaded + "loaded. Continue?", "Warning!", platform::MessageIcon::Warning,
                              platform::MessageButtons::YesNo) != platform::MessageResult::Yes)
        return;  // the dialog stays open
    accept();
}
