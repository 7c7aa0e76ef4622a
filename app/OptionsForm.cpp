#include "OptionsForm.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "data/Options.h"

TOptionsForm::TOptionsForm(QWidget* owner) : QDialog(owner)
{
    setObjectName("OptionsForm");
    setWindowTitle("Options");
    // A fixed dialog border with only the close box.
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    cbAutoNormalize = new QCheckBox("&Auto normalize", this);
    cbReuseWindow = new QCheckBox("&Reuse window after processing", this);
    cbUndo = new QCheckBox("&Undo", this);
    cbAutoSave = new QCheckBox("Autosave &options", this);
    Label1 = new QLabel("Data directory:", this);
    edDataDir = new QLineEdit(this);
    Label2 = new QLabel("Temp directory:", this);
    edTempDir = new QLineEdit(this);
    btSave = new QPushButton("&Save", this);
    btOk = new QPushButton("&Ok", this);
    btCancel = new QPushButton("&Cancel", this);
    cbAutoNormalize->setObjectName("cbAutoNormalize");
    cbReuseWindow->setObjectName("cbReuseWindow");
    cbUndo->setObjectName("cbUndo");
    cbAutoSave->setObjectName("cbAutoSave");
    Label1->setObjectName("Label1");
    edDataDir->setObjectName("edDataDir");
    Label2->setObjectName("Label2");
    edTempDir->setObjectName("edTempDir");
    btSave->setObjectName("btSave");
    btOk->setObjectName("btOk");
    btCancel->setObjectName("btCancel");
    btOk->setDefault(true);
    btOk->setAutoDefault(true);

    auto* grid = new QGridLayout;
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(edDataDir, 0, 1);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(edTempDir, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btSave);
    buttons->addStretch();
    buttons->addWidget(btOk);
    buttons->addWidget(btCancel);
    auto* layout = new QVBoxLayout(this);
    for (QWidget* w : {static_cast<QWidget*>(cbAutoNormalize), static_cast<QWidget*>(cbReuseWindow),
                       static_cast<QWidget*>(cbUndo), static_cast<QWidget*>(cbAutoSave)})
        layout->addWidget(w);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(btSave, &QPushButton::clicked, this, &TOptionsForm::btSaveClick);
    // "&Ok" and "&Cancel" do nothing; the dialog closes by its close box.
}

void TOptionsForm::btSaveClick() { CreateSettingsFile(); }

void TOptionsForm::reject()
{
    // Esc acts as the cancel button, which does nothing; the close box still closes.
    if (closing_)
        QDialog::reject();
}

void TOptionsForm::closeEvent(QCloseEvent* event)
{
    closing_ = true;
    QDialog::closeEvent(event);
    closing_ = false;
}
