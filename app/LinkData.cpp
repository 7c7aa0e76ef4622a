#include "LinkData.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <memory>
#include <utility>

#include "tools/ListDialog.h"
#include "Main.h"
#include "SelectMatrix.h"
#include "SelectMode.h"
#include "data/Fileformat.h"
#include "platform/core/Dialogs.h"
#include "platform/core/Files.h"
#include "platform/core/Messages.h"
#include "platform/core/Text.h"
#include "platform/gui/ModalDialogs.h"

namespace {


QString ItemText(const TChannelListEntry& entry)
{
    return QString::fromUtf8(
        platform::Cp1251ToUtf8(entry.Name + " (" + platform::ExtractFileName(entry.Locate.Path) + ")").c_str());
}

TChannelListEntry* EntryOf(std::vector<TChannelListEntry>& list, int channel)
{
    for (TChannelListEntry& e : list)
        if (e.Locate.Channel == channel)
            return &e;
    return nullptr;
}

}  // namespace

void CopyLocateList(const std::vector<TChannelListEntry>& source, std::vector<TChannelListEntry>& target)
{
    target = source;
}

TLinkDataForm::TLinkDataForm(QWidget* owner, TSurfaceData* data) : QDialog(owner), Data(data)
{
    setObjectName("LinkDataForm");
    setWindowTitle("Link data");
    clbData = new QListWidget(this);
    clbData->setObjectName("clbData");
    const TListDialogButtons buttons = LayOutListDialog(this, clbData);
    btOK = buttons.OK;
    btCancel = buttons.Cancel;
    btLoad = new QPushButton("&Add link", this);
    btLoad->setObjectName("btLoad");
    buttons.Row->insertWidget(0, btLoad);
    resize(360, 280);
    connect(btLoad, &QPushButton::clicked, this, &TLinkDataForm::btLoadClick);
    connect(btOK, &QPushButton::clicked, this, &TLinkDataForm::btOKClick);
    connect(clbData, &QListWidget::itemChanged, this, &TLinkDataForm::clbDataClickCheck);

    if (Data) {
        CopyLocateList(Data->ChannelList, LinkList);
        Available = Data->Available;
    }
    FillItems();
    RefreshList();
}

void TLinkDataForm::FillItems()
{
    filling_ = true;
    clbData->clear();
    for (const TChannelListEntry& entry : LinkList) {
        auto* item = new QListWidgetItem(clbData);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
        item->setText(QString::fromUtf8(platform::Cp1251ToUtf8(entry.Name).c_str()));
    }
    filling_ = false;
}

void TLinkDataForm::RefreshList()
{
    filling_ = true;
    DefaultIndex = 0;
    for (int i = 0; i < clbData->count() && i < static_cast<int>(LinkList.size()); ++i) {
        const TChannelListEntry& entry = LinkList[static_cast<std::size_t>(i)];
        const int c = entry.Locate.Channel;
        QListWidgetItem* item = clbData->item(i);
        if (Data && Data->Present.Contains(c) && Data->Channel(c))
            item->setCheckState(Qt::Checked);
        if (c == 0)
            DefaultIndex = i;
        item->setText(ItemText(entry));
    }
    filling_ = false;
}

void TLinkDataForm::clbDataClickCheck(QListWidgetItem* item)
{
    if (filling_)
        return;
    // The topography always stays.
    QListWidgetItem* fixed = clbData->item(DefaultIndex);
    if (fixed && fixed->checkState() != Qt::Checked) {
        filling_ = true;
        fixed->setCheckState(Qt::Checked);
        filling_ = false;
    }
}

void TLinkDataForm::btLoadClick()
{
    using platform::MessageIcon;
    if (!MainForm || !Data)
        return;
    platform::FileDialogRequest& dialog = MainForm->OpenDialog;
    if (!platform::FileDialogs().Run(dialog))
        return;
    const std::string path = dialog.FileName;
    if (!platform::FileExists(path)) {
        platform::ShowMessage("File not found", "Error load file", MessageIcon::Error);
        return;
    }
    int formatIndex = -1;
    switch (OpenDialogFormat(dialog.FilterIndex, path)) {
    case 1: formatIndex = ReadSPMKind(path); break;
    case 2: formatIndex = 2; break;
    default: return;  // bitmaps and the formats of description files cannot be linked
    }
    if (formatIndex < 0 || formatIndex >= FileFormatCount || !FileFormats[formatIndex])
        return;

    ChannelSet offered;
    TFileHeader header{};
    TChannelNameTable names{};
    if (CallGetInfo(FileFormats[formatIndex].get(), path, &offered, &names, &header) != fmtOk)
        return;
    // Only user channels may come from a file of another size.
    const bool otherSize = header.Width != Data->Header.Width || header.Height != Data->Header.Height;
    if (otherSize)
        for (int c = 0; c < FirstUserChannel; ++c)
            offered.Exclude(c);

    ChannelSet result;
    if (offered.Contains(UnstatedChannel)) {
        std::uint8_t chosen = NoChannel;
        TSelectModeForm chooser(this, otherSize, chosen, 2, Available);
        if (platform::ExecModal(chooser) != QDialog::Accepted || chosen == NoChannel)
            return;
        // Never a matrix of another size in a slot that must have the data set's size.
        if (chosen >= ChannelCount || (otherSize && chosen < FirstUserChannel))
            return;
        result.Include(chosen);
        CopyText(names[chosen], sizeof names[chosen], ChannelNames[chosen], sizeof ChannelNames[chosen]);
    } else {
        bool any = false;
        for (int c = 0; c < ChannelCount; ++c)
            any = any || offered.Contains(c);
        if (!any) {
            platform::ShowMessage("Error matrix size", "Error", MessageIcon::Error);
            return;
        }
        TSelectMatrixForm chooser(this, result, names, offered, Available);
        if (platform::ExecModal(chooser) != QDialog::Accepted)
            return;
    }

    for (int c = NextChannel(NoChannel, result); c != NoChannel; c = NextChannel(c, result)) {
        TLocateData locate{path, static_cast<std::int8_t>(c), formatIndex};
        const std::string name = FieldText(names[c], sizeof names[c]);
        TChannelListEntry* entry = Available.Contains(c) ? EntryOf(LinkList, c) : nullptr;
        if (entry) {
            entry->Locate = locate;
            entry->Name = name;
            Relinked.Include(c);
        } else {
            LinkList.push_back({name, locate});
        }
    }
    FillItems();
    RefreshList();
    for (int c = NextChannel(NoChannel, result); c != NoChannel; c = NextChannel(c, result))
        Available.Include(c);
}

std::int32_t TLinkDataForm::LoadChannel(const TChannelListEntry& entry)
{
    const int c = entry.Locate.Channel;
    const int formatIndex = entry.Locate.FormatIndex;
    // Only files of the built-in formats can be read again; a channel the program made
    // has no file.
    if (formatIndex < 0 || formatIndex > 2 || formatIndex >= FileFormatCount || entry.Locate.Path.empty())
        return fmtErrorOpen;
    // Read into a scratch set of the same size first: the channel in place goes only when
    // its replacement is whole.
    TSurfaceData scratch(Data->SourceFile);
    scratch.Header = Data->Header;
    ChannelSet channels{c};
    std::int32_t status = LoadWithFormat(FileFormats[formatIndex].get(), entry.Locate.Path, &scratch, &channels);
    if (status == fmtOk && (!channels.Contains(c) || !scratch.Channel(c)))
        status = fmtErrorFormat;
    if (status != fmtOk)
        return status;
    Data->Channels[c] = std::move(scratch.Channels[c]);
    Data->Present.Include(c);
    return fmtOk;
}

void TLinkDataForm::btOKClick()
{
    if (!Data) {
        accept();
        return;
    }
    const std::vector<TChannelListEntry> before = Data->ChannelList;
    CopyLocateList(LinkList, Data->ChannelList);
    Data->Available = Available;
    for (int i = 0; i < clbData->count() && i < static_cast<int>(Data->ChannelList.size()); ++i) {
        TChannelListEntry& entry = Data->ChannelList[static_cast<std::size_t>(i)];
        const int c = entry.Locate.Channel;
        if (c < 0 || c >= ChannelCount)
            continue;
        const bool checked = clbData->item(i)->checkState() == Qt::Checked;
        const bool present = Data->Present.Contains(c) && Data->Channel(c);
        if (checked && present && Relinked.Contains(c)) {
            // From its new source; when that cannot be read the channel keeps its old
            // values and its old source.
            const std::int32_t status = LoadChannel(entry);
            if (status != fmtOk) {
                failures_.push_back(status);
                for (const TChannelListEntry& old : before)
                    if (old.Locate.Channel == c) {
                        entry = old;
                        break;
                    }
            }
        } else if (checked && !present) {
            // A channel whose file cannot be read stays absent, without a word.
            LoadChannel(entry);
        } else if (!checked && present) {
            Data->DeleteChannel(c);
        }
    }
    accept();
}

void TLinkDataForm::ShowFailures()
{
    for (const std::int32_t status : std::exchange(failures_, {}))
        ShowFormatError(nullptr, status);
}
