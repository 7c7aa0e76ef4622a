#include "tools/SelectOneMatrix.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/gui/Text1251.h"

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
    btOK = new QPushButton("&OK", this);
    btOK->setObjectName("btOK");
    btOK->setDefault(true);
    btCancel = new QPushButton("&Cancel", this);
    btCancel->setObjectName("btCancel");
    connect(btOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btCancel, &QPushButton::clicked, this, &QDialog::reject);

    for (int c = 0; c < ChannelCount; ++c) {
        if (!channels.Contains(c))
            continue;
        auto* item = new QListWidgetItem(platform::FromCp1251(FieldText(names[c], sizeof names[c])), clbData);
        item->setData(Qt::UserRole, c);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(clbData->count() == 1 ? Qt::Checked : Qt::Unchecked);
    }
    if (clbData->count() > 0)
        clbData->setCurrentRow(0);
    // Nothing to choose: OK would name no channel.
    btOK->setEnabled(clbData->count() > 0);
    connect(clbData, &QListWidget::itemChanged, this, [this] { clbDataClickCheck(); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btOK);
    buttons->addWidget(btCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(clbData);
    layout->addLayout(buttons);
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
