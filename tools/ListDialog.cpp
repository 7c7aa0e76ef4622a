#include "ListDialog.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/core/Text.h"

TListDialogButtons LayOutListDialog(QDialog* dialog, QWidget* list)
{
    TListDialogButtons parts{};
    parts.OK = new QPushButton("&OK", dialog);
    parts.OK->setObjectName("btOK");
    parts.OK->setDefault(true);
    parts.Cancel = new QPushButton("&Cancel", dialog);
    parts.Cancel->setObjectName("btCancel");
    parts.Row = new QHBoxLayout;
    parts.Row->addStretch();
    parts.Row->addWidget(parts.OK);
    parts.Row->addWidget(parts.Cancel);
    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(list);
    layout->addLayout(parts.Row);
    QObject::connect(parts.Cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    return parts;
}

void AddChannelItems(QListWidget* list, const TChannelNameTable& names, const ChannelSet& channels)
{
    for (int c = 0; c < ChannelCount; ++c) {
        if (!channels.Contains(c))
            continue;
        auto* item = new QListWidgetItem(list);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
        item->setText(QString::fromUtf8(platform::Cp1251ToUtf8(FieldText(names[c], sizeof names[c])).c_str()));
        item->setData(Qt::UserRole, c);
    }
}
