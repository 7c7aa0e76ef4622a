#include "tools/Arithmetics.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "components/ZtEdit.h"
#include "data/Fileformat.h"
#include "data/ObjectFile.h"
#include "data/ObjectSPM.h"
#include "data/Surfacedata.h"
#include "platform/core/Files.h"
#include "platform/core/Messages.h"
#include "platform/core/Text.h"
#include "platform/gui/ModalDialogs.h"
#include "platform/gui/Numbers.h"
#include "processing/Arithmetic.h"
#include "tools/SelectOneMatrix.h"
#include "views/ViewHost.h"

using processing::TArithmeticOperation;
using processing::TArithmeticRefusal;

namespace {

const char* const OperatorTexts[4] = {"+", "-", "x", "/"};

std::string FileNameOnly(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

QLabel* SunkenText(QWidget* owner, const char* name)
{
    auto* text = new QLabel(owner);
    text->setObjectName(name);
    text->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    return text;
}

//! The refusal's message box; true when the operation may go on.
bool Allowed(TArithmeticRefusal refusal)
{
    switch (refusal) {
    case TArithmeticRefusal::DivisionByZero:
        platform::ShowMessage("Division by zero", "Error", platform::MessageIcon::Error);
        return false;
    case TArithmeticRefusal::ZeroScale:
        platform::ShowMessage("The Z scale of the channel is 0", "Error", platform::MessageIcon::Error);
        return false;
    case TArithmeticRefusal::None:
        break;
    }
    return true;
}

//! Channel 0 of the step, or null after "Data of … is not loaded".
TSPMData* FirstOf(TObjectSPM* step)
{
    if (!step || !step->SurfaceData)
        return nullptr;
    if (step->SurfaceData->Present.Contains(0))
        if (TSPMData* channel = step->SurfaceData->Channel(0))
            return channel;
    step->ShowChannelView(0);  // says that the channel is not loaded
    return nullptr;
}

}  // namespace

TArithmeticForm::TArithmeticForm(QWidget* owner) : QDialog(owner)
{
    setObjectName("ArithmeticForm");
    setWindowTitle("Arithmetic");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    GroupBox1 = new QGroupBox(" First ", this);
    GroupBox1->setObjectName("GroupBox1");
    GroupBox1->setGeometry(8, 4, 304, 48);
    Label1 = new QLabel("File:", GroupBox1);
    Label1->setObjectName("Label1");
    Label1->move(8, 22);
    stFirstFile = SunkenText(GroupBox1, "stFirstFile");
    stFirstFile->setGeometry(40, 20, 220, 18);
    btChangeFirstFile = new QPushButton(">>", GroupBox1);
    btChangeFirstFile->setObjectName("btChangeFirstFile");
    btChangeFirstFile->setGeometry(266, 18, 30, 22);

    GroupBox2 = new QGroupBox(" Second ", this);
    GroupBox2->setObjectName("GroupBox2");
    GroupBox2->setGeometry(8, 58, 304, 76);
    rbNumber = new QRadioButton("Number:", GroupBox2);
    rbNumber->setObjectName("rbNumber");
    rbNumber->setGeometry(8, 20, 72, 20);
    rbNumber->setChecked(true);
    Label2 = new QLabel("Number", GroupBox2);
    Label2->setObjectName("Label2");
    Label2->move(84, 22);
    edNumber = new TZtEdit(GroupBox2);
    edNumber->setObjectName("edNumber");
    edNumber->SetTypeValue(tvDecimal);
    edNumber->SetSigned(false);
    edNumber->SetText("1");
    edNumber->setGeometry(136, 20, 124, 20);
    rbFile = new QRadioButton("File:", GroupBox2);
    rbFile->setObjectName("rbFile");
    rbFile->setGeometry(8, 46, 56, 20);
    stSecondFile = SunkenText(GroupBox2, "stSecondFile");
    stSecondFile->setGeometry(64, 47, 196, 18);
    btChangeSecondFile = new QPushButton(">>", GroupBox2);
    btChangeSecondFile->setObjectName("btChangeSecondFile");
    btChangeSecondFile->setGeometry(266, 45, 30, 22);

    QPushButton** operations[4] = {&btAdd, &btSub, &btMultiply, &btDevide};
    const char* names[4] = {"btAdd", "btSub", "btMultiply", "btDevide"};
    for (int t = 0; t < 4; ++t) {
        auto* b = new QPushButton(OperatorTexts[t], this);
        b->setObjectName(names[t]);
        b->setProperty("Tag", t);
        b->setAutoDefault(false);
        b->setGeometry(8 + 44 * t, 142, 40, 24);
        connect(b, &QPushButton::clicked, this, [this, b] { Operation(b->property("Tag").toInt()); });
        *operations[t] = b;
    }
    btCancel = new QPushButton("&Cancel", this);
    btCancel->setObjectName("btCancel");
    btCancel->setAutoDefault(false);
    btCancel->setGeometry(232, 142, 80, 24);
    setFixedSize(320, 174);

    OpenDialog.Filter = "SPM files (*.spm)|*.spm";
    OpenDialog.FileMustExist = true;

    connect(btCancel, &QPushButton::clicked, this, &TArithmeticForm::btCancelClick);
    connect(btChangeFirstFile, &QPushButton::clicked, this, &TArithmeticForm::btChangeFirstFileClick);
    connect(btChangeSecondFile, &QPushButton::clicked, this, &TArithmeticForm::btChangeSecondFileClick);
    connect(rbFile, &QRadioButton::clicked, this, &TArithmeticForm::rbFileClick);
    edNumber->OnEnterValue = [this](QObject*) { edNumberEnterValue(); };

    if (IViewHost* host = ViewHost())
        if (TObjectSPM* step = host->CurrentStep(); step && step->SurfaceData)
            FirstChannel = step->SurfaceData->Channel(0);
    if (FirstChannel)
        stFirstFile->setText(QString::fromStdString(FirstChannel->SourceFile));
}

TArithmeticForm::~TArithmeticForm() = default;

void TArithmeticForm::edNumberEnterValue()
{
    rbNumber->setChecked(true);
    // An entry that is no integer throws; the box shows the message and the number stays.
    Number = static_cast<float>(edNumber->GetValueInt());
}

void TArithmeticForm::btCancelClick() { reject(); }

void TArithmeticForm::btChangeSecondFileClick()
{
    OpenDialog.Title = "";
    OpenDialog.FileName = stSecondFile->text().toStdString();
    if (!platform::FileDialogs().Run(OpenDialog))
        return;
    stSecondFile->setText(QString::fromStdString(OpenDialog.FileName));
    rbFile->setChecked(true);
}

void TArithmeticForm::rbFileClick()
{
    if (stSecondFile->text().isEmpty())
        btChangeSecondFileClick();
}

void TArithmeticForm::btChangeFirstFileClick()
{
    OpenDialog.Title = "";
    OpenDialog.FileName = stFirstFile->text().toStdString();
    if (!platform::FileDialogs().Run(OpenDialog))
        return;
    stFirstFile->setText(QString::fromStdString(OpenDialog.FileName));
    FirstIsCurrentStep = false;
}

bool TArithmeticForm::OpenFirstFile()
{
    // The same name with ".ppm" is taken when such a file exists.
    std::string path = stFirstFile->text().toStdString();
    const auto dot = path.find_last_of('.');
    const auto slash = path.find_last_of('/');
    const std::string ppm =
        (dot != std::string::npos && (slash == std::string::npos || dot > slash) ? path.substr(0, dot) : path) + ".ppm";
    if (platform::FileExists(ppm))
        path = ppm;
    IViewHost* host = ViewHost();
    if (!host)
        return false;
    const std::size_t before = host->Files().size();
    host->OpenSPMFile(path);
    if (host->Files().size() == before)
        return false;  // its messages have been shown
    FirstIsCurrentStep = true;
    return true;
}

void TArithmeticForm::Operation(int tag)
{
    IViewHost* host = ViewHost();
    if (tag < 0 || tag > 3 || !host)
        return;
    const auto operation = static_cast<TArithmeticOperation>(tag);
    if (!FirstIsCurrentStep && !OpenFirstFile())
        return;
    TObjectFile* file = host->ActiveFile();
    TSPMData* first = FirstOf(host->CurrentStep());
    if (!file || !first)
        return;
    const bool withFile = rbFile->isChecked();

    // Everything that can refuse the operation comes before its step.
    const float scale = first->Header.ZScale;
    if (!Allowed(withFile ? processing::CheckChannelOperation(scale)
                          : processing::CheckNumberOperation(operation, Number, scale)))
        return;
    FirstChannel = first;
    if (withFile && !LoadSecondChannel(stSecondFile->text().toStdString())) {
        SecondData.reset();
        return;
    }

    const std::string operand =
        withFile ? platform::Utf8ToCp1251(FileNameOnly(stSecondFile->text().toStdString()))
                 : platform::FloatToStrF(Number, platform::ffFixed, 3, 2);
    TObjectSPM* added =
        file->AddStep(std::string("Arithmetic operation (") + OperatorTexts[tag] + operand + ")");
    if (!added) {
        SecondData.reset();
        secondChannel_ = nullptr;
        return;
    }
    FirstChannel = added->SurfaceData->Channel(0);
    if (withFile)
        ApplyFile(tag);
    else
        ApplyNumber(tag);
    FirstChannel->ComputeRangeAndStatistics();
    FirstChannel->DefaultPalette();
    added->ShowChannelView(NoChannel);
    added->SurfaceData->Release();
    accept();
}

void TArithmeticForm::ApplyNumber(int tag)
{
    if (!FirstChannel)
        return;
    FirstChannel->Lock();
    if (std::int32_t* values = FirstChannel->GetData())
        processing::ApplyNumber(values, FirstChannel->SampleCount(),
                                static_cast<TArithmeticOperation>(tag), Number,
                                FirstChannel->Header.ZScale);
    FirstChannel->Unlock();
}

void TArithmeticForm::ApplyFile(int tag)
{
    if (!FirstChannel)
        return;
    TSPMData* second = secondChannel_ ? secondChannel_ : LoadSecondChannel(stSecondFile->text().toStdString());
    if (second) {
        FirstChannel->Lock();
        second->Lock();
        std::int32_t* a = FirstChannel->GetData();
        const std::int32_t* b = second->GetData();
        if (a && b)
            processing::ApplyChannel(a, FirstChannel->Header.Width, FirstChannel->Header.Height,
                                     FirstChannel->Header.ZScale, b, second->Header.Width,
                                     second->Header.Height, second->Header.ZScale,
                                     static_cast<TArithmeticOperation>(tag));
        second->Unlock();
        FirstChannel->Unlock();
    }
    secondChannel_ = nullptr;
    SecondData.reset();
}

TSPMData* TArithmeticForm::LoadSecondChannel(const std::string& path)
{
    secondChannel_ = nullptr;
    SecondData.reset();
    if (!FirstChannel)
        return nullptr;
    const int kind = ReadSPMKind(path);
    if (kind < 0 || kind >= FileFormatCount)
        return nullptr;
    TFileFormat* format = FileFormats[kind].get();
    TChannelNameTable names{};
    TFileHeader header{};
    ChannelSet available;
    // The status first: a refused file has filled no header to compare.
    const std::int32_t status = CallGetInfo(format, path, &available, &names, &header);
    if (status != fmtOk) {
        ShowFormatError(format, status);
        return nullptr;
    }
    if (header.Width != FirstChannel->Header.Width || header.Height != FirstChannel->Header.Height) {
        platform::ShowError("Error matrix size!");
        return nullptr;
    }
    int channel = 0;
    if (!available.Contains(UnstatedChannel)) {
        TSelectOneMatrixForm chooser(this, names, available);
        if (platform::ExecModal(chooser) != QDialog::Accepted)
            return nullptr;
        channel = chooser.SelectedChannel();
        if (channel < 0)
            return nullptr;
    }
    SecondData = std::make_unique<TSurfaceData>(path);
    SecondData->Header.Width = FirstChannel->Header.Width;
    SecondData->Header.Height = FirstChannel->Header.Height;
    ChannelSet wanted{channel};
    const std::int32_t loaded = LoadWithFormat(format, path, SecondData.get(), &wanted);
    if (loaded != fmtOk || !wanted.Contains(channel) || !SecondData->Channel(channel)) {
        ShowFormatError(format, loaded != fmtOk ? loaded : fmtErrorFormat);
        SecondData.reset();
        return nullptr;
    }
    SecondData->Present.Include(channel);
    secondChannel_ = SecondData->Channel(channel);
    return secondChannel_;
}
