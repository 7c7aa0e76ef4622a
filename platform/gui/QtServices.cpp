#include "QtServices.h"

#include <QApplication>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFontDialog>
#include <QPushButton>
#include <QVBoxLayout>
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
    // The default suffix follows the entry shown, so that the name the dialog checks and
    // returns is the one the program writes.
    const auto suffixOf = [&request](int entry) {
        if (entry < 0 || std::size_t(entry) >= request.FilterExtensions.size())
            return QString();
        const std::string& e = request.FilterExtensions[std::size_t(entry)];
        const bool plain =
            e.size() > 1 && e[0] == '.' && e.find_first_of("*?;| ") == std::string::npos;
        return plain ? QString::fromUtf8(e.c_str() + 1) : QString();
    };
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& chosen) {
        const int index =
            filters.contains(chosen) ? filters.indexOf(chosen) : shown.indexOf(chosen);
        dialog.setDefaultSuffix(suffixOf(index));
    });
    const bool preselect = request.FilterIndex >= 1 && request.FilterIndex <= filters.size();
    if (preselect)
        dialog.selectNameFilter(filters[request.FilterIndex - 1]);
    dialog.setDefaultSuffix(suffixOf(preselect ? request.FilterIndex - 1 : 0));
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

namespace {
QColor QtColorOf(std::uint32_t c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}
std::uint32_t ColorOfQt(const QColor& c)
{
    return std::uint32_t(c.red()) | (std::uint32_t(c.green()) << 8) | (std::uint32_t(c.blue()) << 16);
}
}  // namespace

bool QtColorDialogService::Run(ColorDialogRequest& request)
{
    QColorDialog dialog(QtColorOf(request.Color), QApplication::activeWindow());
    dialog.setOption(QColorDialog::DontUseNativeDialog, request.FullOpen);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    request.Color = ColorOfQt(dialog.selectedColor());
    return true;
}

bool QtColorDialogService::RunFont(FontDialogRequest& request)
{
    // The font dialog with a colour choice beside it, as one dialog.
    QDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle("Font");
    auto* layout = new QVBoxLayout(&dialog);
    QFont initial(QString::fromUtf8(request.Name.c_str()), request.Size);
    initial.setBold(request.Bold);
    initial.setItalic(request.Italic);
    initial.setUnderline(request.Underline);
    initial.setStrikeOut(request.StrikeOut);
    auto* fonts = new QFontDialog(initial, &dialog);
    fonts->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    fonts->setWindowFlags(Qt::Widget);
    layout->addWidget(fonts);
    QColor colour = QtColorOf(request.Color);
    auto* colourButton = new QPushButton("Colour...", &dialog);
    QObject::connect(colourButton, &QPushButton::clicked, &dialog, [&] {
        const QColor chosen = QColorDialog::getColor(colour, &dialog);
        if (chosen.isValid())
            colour = chosen;
    });
    layout->addWidget(colourButton);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QFont chosen = fonts->currentFont();
    request.Name = chosen.family().toStdString();
    request.Size = chosen.pointSize() > 0 ? chosen.pointSize() : request.Size;
    request.Bold = chosen.bold();
    request.Italic = chosen.italic();
    request.Underline = chosen.underline();
    request.StrikeOut = chosen.strikeOut();
    request.Color = ColorOfQt(colour);
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
    // Only a regular file is read: the settings reader would wait for ever on a FIFO.
    if (!IsRegularFile(file.toStdString()))
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
