#include "ListDialog.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

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
