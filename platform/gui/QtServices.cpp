#include "QtServices.h"

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QSettings>

#include "ModalDialogs.h"
#include "platform/core/Files.h"

namespace platform {

MessageResult QtMessageService::Show(const std::string& text, const std::string& caption,
                                     MessageIcon icon, MessageButtons buttons)
{
    QMessageBox box(QApplication::activeWindow());
    box.setText(QString::fromUtf8(text.c_str()));
    box.setWindowTitle(QString::fromUtf8(caption.c_str()));
    switch (icon) {
    case MessageIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case MessageIcon::Error: box.setIcon(QMessageBox::Critical); break;
    case MessageIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case MessageIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MessageIcon::Question: box.setIcon(QMessageBox::Question); break;
    }
    QMessageBox::StandardButtons set;
    switch (buttons) {
    case MessageButtons::Ok: set = QMessageBox::Ok; break;
    case MessageButtons::OkCancel: set = QMessageBox::Ok | QMessageBox::Cancel; break;
    case MessageButtons::YesNo: set = QMessageBox::Yes | QMessageBox::No; break;
    case MessageButtons::YesNoCancel: set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel; break;
    case MessageButtons::RetryCancel: set = QMessageBox::Retry | QMessageBox::Cancel; break;
    case MessageButtons::AbortRetryIgnore: set = QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore; break;
    }
    box.setStandardButtons(set);
    switch (box.exec()) {
    case QMessageBox::Ok: return MessageResult::Ok;
    case QMessageBox::Cancel: return MessageResult::Cancel;
    case QMessageBox::Yes: return MessageResult::Yes;
    case QMessageBox::No: return MessageResult::No;
    case QMessageBox::Retry: return MessageResult::Retry;
    case QMessageBox::Abort: return MessageResult::Abort;
    case QMessageBox::Ignore: return MessageResult::Ignore;
    default: return buttons == MessageButtons::YesNo ? MessageResult::No : MessageResult::Cancel;
    }
}

bool QtFileDialogService::Run(FileDialogRequest& request)
{
    QFileDialog dialog(QApplication::activeWindow(), QString::fromUtf8(request.Title.c_str()));
    dialog.setAcceptMode(request.Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.Save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!request.OverwritePrompt)
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    // Qt reads each filter's patterns from its last "(...)", which it would show after the
    // text. Its own dialog can hide that part, so the type list shows each text exactly as
    // the program gives it ("SPM file (*.spm)", "All supported files").
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    QStringList filters;
    QStringList shown;
    for (const auto& [description, pattern] : SplitFilter(request.Filter)) {
        QString patterns = QString::fromUtf8(pattern.c_str());
        patterns.replace(';', ' ');
        filters << QString::fromUtf8(description.c_str()) + " (" + patterns + ")";
        shown << QString::fromUtf8(description.c_str()).simplified();
    }
    dialog.setNameFilters(filters);
    if (request.FilterIndex >= 1 && request.FilterIndex <= filters.size())
        dialog.selectNameFilter(filters[request.FilterIndex - 1]);
    if (!request.FileName.empty())
        dialog.selectFile(QString::fromUtf8(request.FileName.c_str()));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    request.FileName = dialog.selectedFiles().first().toStdString();
    // Depending on Qt's version the chosen filter comes back whole or as its shown text.
    const QString chosen = dialog.selectedNameFilter();
    const int index = filters.contains(chosen) ? filters.indexOf(chosen) : shown.indexOf(chosen);
    if (index >= 0)
        request.FilterIndex = index + 1;
    return true;
}

bool QtColorDialogService::Run(ColorDialogRequest& request)
{
    const std::uint32_t c = request.Color;
    const QColor initial(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
    const QColor chosen = QColorDialog::getColor(initial, QApplication::activeWindow());
    if (!chosen.isValid())
        return false;
    request.Color = static_cast<std::uint32_t>(chosen.red()) |
                    (static_cast<std::uint32_t>(chosen.green()) << 8) |
                    (static_cast<std::uint32_t>(chosen.blue()) << 16);
    return true;
}

void InstallQtServices()
{
    static QtMessageService messages;
    static QtFileDialogService dialogs;
    static QtModalDialogService modals;
    static QtColorDialogService colors;
    SetModalDialogService(&modals);
    SetMessageService(&messages);
    SetFileDialogService(&dialogs);
    SetColorDialogService(&colors);
}

namespace {
QString RegistryFile(const std::string& key)
{
    QString path = QString::fromStdString(key);
    path.replace('\\', '/');
    return QString::fromStdString(WindowsFolder()) + path + ".conf";
}
}  // namespace

std::string ReadRegistryString(const std::string& key, const std::string& value)
{
    const QString file = RegistryFile(key);
    if (!QFileInfo::exists(file))
        return {};
    QSettings settings(file, QSettings::IniFormat);
    return settings.value(QString::fromStdString(value)).toString().toStdString();
}

bool WriteRegistryString(const std::string& key, const std::string& value, const std::string& text)
{
    const QString file = RegistryFile(key);
    QDir().mkpath(QFileInfo(file).absolutePath());
    QSettings settings(file, QSettings::IniFormat);
    settings.setValue(QString::fromStdString(value), QString::fromStdString(text));
    settings.sync();
    return settings.status() == QSettings::NoError;
}

QEvent::Type WindowMessageEvent::EventType()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void PostWindowMessage(QObject* window, int message)
{
    QCoreApplication::postEvent(window, new WindowMessageEvent(message, true));
}

bool SendWindowMessage(QObject* window, int message)
{
    WindowMessageEvent e(message, false);
    return QCoreApplication::sendEvent(window, &e);
}

}  // namespace platform
