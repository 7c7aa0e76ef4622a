#include "PlugInDialogs.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace plugindialogs {

namespace {

// The real dialogs of Qt.
class TQtDialogs final : public IDialogs {
public:
    TMessageAnswer Message(QWidget* owner, const std::string& text, const std::string& caption,
                           TMessageIcon icon, TMessageButtons buttons) override
    {
        QMessageBox box(owner);
        box.setText(QString::fromUtf8(text.c_str()));
        box.setWindowTitle(caption.empty() ? QApplication::applicationDisplayName()
                                           : QString::fromUtf8(caption.c_str()));
        box.setIcon(icon == TMessageIcon::Error     ? QMessageBox::Critical
                    : icon == TMessageIcon::Warning ? QMessageBox::Warning
                                                    : QMessageBox::NoIcon);
        const bool yesNo = buttons == TMessageButtons::YesNo;
        box.setStandardButtons(yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok);
        const int chosen = box.exec();
        if (!yesNo)
            return TMessageAnswer::Ok;
        return chosen == QMessageBox::Yes ? TMessageAnswer::Yes : TMessageAnswer::No;
    }

    void Beep() override { QApplication::beep(); }

    bool Save(QWidget* owner, TSaveRequest& request) override
    {
        QFileDialog dialog(owner);
        if (!request.Title.empty())
            dialog.setWindowTitle(QString::fromUtf8(request.Title.c_str()));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        // Qt's own dialog, which shows each type's text as given, as the program's does.
        dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails);
        if (!request.OverwritePrompt)
            dialog.setOption(QFileDialog::DontConfirmOverwrite);
        if (!request.DefaultExt.empty())
            dialog.setDefaultSuffix(QString::fromUtf8(request.DefaultExt.c_str()));
        const QStringList parts = QString::fromUtf8(request.Filter.c_str()).split('|');
        QStringList filters;
        QStringList texts;
        for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
            filters << parts[i] + " (" + QString(parts[i + 1]).replace(';', ' ') + ")";
            texts << parts[i].simplified();
        }
        dialog.setNameFilters(filters);
        if (request.FilterIndex >= 1 && request.FilterIndex <= filters.size())
            dialog.selectNameFilter(filters[request.FilterIndex - 1]);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return false;
        request.FileName = dialog.selectedFiles().first().toStdString();
        // The chosen type comes back whole or as its text, depending on Qt's version.
        const QString chosen = dialog.selectedNameFilter();
        request.FilterIndex =
            static_cast<int>(filters.contains(chosen) ? filters.indexOf(chosen) : texts.indexOf(chosen)) + 1;
        return true;
    }

    int Exec(QDialog& dialog) override { return dialog.exec(); }
};

TQtDialogs qtDialogs;
IDialogs* installed = nullptr;

} // namespace

IDialogs& Dialogs()
{
    return installed ? *installed : qtDialogs;
}

void SetDialogs(IDialogs* dialogs)
{
    installed = dialogs;
}

TMessageAnswer ShowMessage(QWidget* owner, const std::string& text, const std::string& caption,
                           TMessageIcon icon, TMessageButtons buttons)
{
    return Dialogs().Message(owner, text, caption, icon, buttons);
}

// ---------------------------------------------------------------------------------------
// TDialogScript

TDialogScript::TDialogScript() : previous_(installed)
{
    SetDialogs(this);
}

TDialogScript::~TDialogScript()
{
    SetDialogs(previous_);
}

int TDialogScript::RunIt(QDialog& dialog)
{
    return dialog.exec();
}

TMessageAnswer TDialogScript::Message(QWidget* owner, const std::string& text,
                                      const std::string& caption, TMessageIcon icon,
                                      TMessageButtons buttons)
{
    messages_.push_back({text, caption, icon, buttons, owner != nullptr});
    if (answers_.empty())
        return buttons == TMessageButtons::YesNo ? TMessageAnswer::Yes : TMessageAnswer::Ok;
    const TMessageAnswer answer = answers_.front();
    answers_.pop_front();
    return answer;
}

bool TDialogScript::Save(QWidget*, TSaveRequest& request)
{
    saveRequests_.push_back(request);
    if (saves_.empty())
        return false;
    const TChoice choice = saves_.front();
    saves_.pop_front();
    if (choice.Cancel)
        return false;
    request.FileName = choice.Path;
    request.FilterIndex = choice.FilterIndex;
    return true;
}

int TDialogScript::Exec(QDialog& dialog)
{
    windows_.push_back(dialog.windowTitle().toStdString());
    if (steps_.empty())
        return QDialog::Rejected;
    const TStep step = std::move(steps_.front());
    steps_.pop_front();
    return step(dialog);
}

std::vector<std::string> TDialogScript::Texts() const
{
    std::vector<std::string> texts;
    for (const TMessage& m : messages_)
        texts.push_back(m.Text);
    return texts;
}

} // namespace plugindialogs
