#include "TVK_GUI_File.h"
#include "ui_TVK_GUI_File.h"

#include "TVK_Debug_Log.h"
#include "TVK_Logic_FileNameStem.h"

#include <QEvent>

namespace {

// DNG is written for file-format codes 0..2, JPG for 1..4.
bool writesDng(int code)
{
    return code < 3;
}

bool writesJpg(int code)
{
    return code >= 1 && code <= 4;
}

// Both video resolution lists go by one name in the log.
const char *const kVideoResolution = "video resolution";

} // namespace

TVK_GUI_File::TVK_GUI_File(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::TVK_GUI_File)
{
    ui->setupUi(this);
    bindLists();

    connect(ui->wgtDngPath, &TVK_GUI_DirPathWidget::signalPath, this, &TVK_GUI_File::signalDngPath);
    connect(ui->wgtJpgPath, &TVK_GUI_DirPathWidget::signalPath, this, &TVK_GUI_File::signalJpgPath);
    connect(ui->ledPictureName, &QLineEdit::textEdited, this, &TVK_GUI_File::catchPictureNameEdited);
    connect(ui->ledPictureName, &QLineEdit::editingFinished, this, &TVK_GUI_File::catchPictureNameFinished);
    connect(ui->ledPictureIndex, &QLineEdit::textEdited, this, &TVK_GUI_File::catchPictureIndexEdited);

    // The example follows the label's width, not the other way round.
    ui->stxExampleName->setSizePolicy(QSizePolicy::Ignored, ui->stxExampleName->sizePolicy().verticalPolicy());
    ui->stxExampleName->installEventFilter(this);
}

TVK_GUI_File::~TVK_GUI_File()
{
    ui->stxExampleName->removeEventFilter(this);
    delete ui;
}

void TVK_GUI_File::bindLists()
{
    struct Binding {
        TVK_GUI_ComboBox *box;
        const char *name;
        void (TVK_GUI_File::*signal)(const QString &);
    };
    const Binding bindings[] = {
        {ui->cbbFileFormat, "file format", &TVK_GUI_File::signalFileFormat},
        {ui->cbbPhotoAspectRatio, "photo aspect ratio", &TVK_GUI_File::signalPhotoAspectRatio},
        {ui->cbbSensorFormat, "sensor format", &TVK_GUI_File::signalSensorFormat},
        {ui->cbbDngCompression, "DNG compression", &TVK_GUI_File::signalDngCompression},
        {ui->cbbJpgColorSpace, "JPG color space", &TVK_GUI_File::signalJpgColorSpace},
        {ui->cbbJpgResolution, "JPG resolution", &TVK_GUI_File::signalJpgResolution},
    };
    for (const Binding &binding : bindings) {
        binding.box->setSettingName(binding.name);
        connect(binding.box, &QComboBox::textActivated, this, binding.signal);
    }
}

void TVK_GUI_File::setLiveViewMode(int)
{
}

// --- file format ----------------------------------------------------------

void TVK_GUI_File::setFileFormatList(const QStringList &list)
{
    TVK_METHOD(method);
    ui->cbbFileFormat->setEntries(method, list);
}

void TVK_GUI_File::setFileFormat(int code)
{
    ui->wgtDngPath->setEnabled(writesDng(code));
    ui->wgtJpgPath->setEnabled(writesJpg(code));
}

void TVK_GUI_File::setFileFormat(const QString &text)
{
    TVK_METHOD(method);
    ui->cbbFileFormat->selectEntry(method, text);
}

// --- DNG compression: shown by Has, editable by Use --------------------------

void TVK_GUI_File::setHasDngCompression(bool has)
{
    ui->lblDngCompression->setVisible(has);
    ui->cbbDngCompression->setVisible(has);
}

void TVK_GUI_File::setUseDngCompression(bool use)
{
    ui->cbbDngCompression->setEnabled(use);
}

void TVK_GUI_File::setDngCompressionList(const QStringList &list)
{
    TVK_METHOD(method);
    ui->cbbDngCompression->setEntries(method, list);
}

void TVK_GUI_File::setDngCompression(const QString &text)
{
    TVK_METHOD(method);
    ui->cbbDngCompression->selectEntry(method, text);
}

// --- JPG colour space: Has shows it read-only until Use allows changes -------

void TVK_GUI_File::setHasJpgColorSpace(bool has)
{
    ui->lblJpgColorSpace->setVisible(has);
    ui->cbbJpgColorSpace->setVisible(has);
    ui->cbbJpgColorSpace->setEnabled(false);
}

void TVK_GUI_File::setUseJpgColorSpace(bool use)
{
    ui->cbbJpgColorSpace->setEnabled(use);
}

void TVK_GUI_File::setJpgColorSpaceList(const QStringList &list)
{
    TVK_METHOD(method);
    ui->cbbJpgColorSpace->setEntries(method, list);
}

void TVK_GUI_File::setJpgColorSpace(const QString &text)
{
    TVK_METHOD(method);
    ui->cbbJpgColorSpace->selectEntry(method, text);
}

// --- JPG resolution: shown by Has, editable by Use ---------------------------

void TVK_GUI_File::setHasJpgResolution(bool has)
{
    ui->lblJpgResolution->setVisible(has);
    ui->cbbJpgResolution->setVisible(has);
}

void TVK_GUI_File::setUseJpgResolution(bool use)
{
    ui->cbbJpgResolution->setEnabled(use);
}

void TVK_GUI_File::setJpgResolutionList(const QStringList &list)
{
    TVK_METHOD(method);
    ui->cbbJpgResolution->setEntries(method, list);
}

void TVK_GUI_File::setJpgResolution(const QString &text)
{
    TVK_METHOD(method);
    ui->cbbJpgResolution->selectEntry(method, text);
}

// --- sensor format and photo aspect ratio: shown, never changed from here ----

void TVK_GUI_File::setHasSensorFormat(bool has)
{
    ui->lblSensorFormat->setVisible(has);
    ui->cbbSensorFormat->setVisible(has);
    ui->cbbSensorFormat->setEnabled(false);
}

void TVK_GUI_File::setSensorFormatList(const QStringList &list)
{
    TVK_METHOD(method);
    ui->cbbSensorFormat->setEntries(method, list);
}

void TVK_GUI_File::setSensorFormat(const QString &text)
{
    TVK_METHOD(method);
    ui->cbbSensorFormat->selectEntry(method, text);
}

void TVK_GUI_File::setHasPhotoAspectRatio(bool has)
{
    ui->lblPhotoAspectRatio->setVisible(has);
    ui->cbbPhotoAspectRatio->setVisible(has);
    ui->cbbPhotoAspectRatio->setEnabled(false);
}

void TVK_GUI_File::setPhotoAspectRatioList(const QStringList &list)
{
    TVK_METHOD(method);
    ui->cbbPhotoAspectRatio->setEntries(method, list);
}

void TVK_GUI_File::setPhotoAspectRatio(const QString &text)
{
    TVK_METHOD(method);
    ui->cbbPhotoAspectRatio->selectEntry(method, text);
}

// --- video settings: no lists here, only the empty-list check ---------------

void TVK_GUI_File::setHasVideoFileFormat(bool)
{
}

void TVK_GUI_File::setVideoFileFormatList(const QStringList &list)
{
    TVK_METHOD(method);
    TVK_GUI_ComboBox::isUsableList(method, "video file format", list);
}

void TVK_GUI_File::setVideoFileFormat(const QString &)
{
}

void TVK_GUI_File::setHasVideoResAndFrRate(bool)
{
}

void TVK_GUI_File::setVideoResAndFrRateList(const QStringList &list)
{
    TVK_METHOD(method);
    TVK_GUI_ComboBox::isUsableList(method, kVideoResolution, list);
}

void TVK_GUI_File::setVideoResAndFrRate(const QString &)
{
}

void TVK_GUI_File::setHasVideoFormatResol(bool)
{
}

void TVK_GUI_File::setVideoFormatResolList(const QStringList &list)
{
    TVK_METHOD(method);
    TVK_GUI_ComboBox::isUsableList(method, kVideoResolution, list);
}

void TVK_GUI_File::setVideoFormatResol(const QString &)
{
}

// --- folders and naming ---------------------------------------------------

void TVK_GUI_File::setDngPath(const QString &path)
{
    ui->wgtDngPath->setPath(path);
}

void TVK_GUI_File::setJpgPath(const QString &path)
{
    ui->wgtJpgPath->setPath(path);
}

void TVK_GUI_File::setPictureExample(const QString &example)
{
    m_pictureExample = example;
    showElidedExample();
}

void TVK_GUI_File::showElidedExample()
{
    QLabel *const label = ui->stxExampleName;
    label->setText(label->fontMetrics().elidedText(m_pictureExample, Qt::ElideMiddle, label->width()));
    label->setToolTip(m_pictureExample);
}

void TVK_GUI_File::setPictureName(const QString &name)
{
    m_pictureName = name;
    ui->ledPictureName->setText(name);
}

// A name on its way to a good one ("a/" before the slash is taken back) is
// only held back; the field gives up a bad one when the user leaves it.
void TVK_GUI_File::catchPictureNameEdited(const QString &text)
{
    const QString fault = TVK_Logic_FileNameStem::fault(text);
    ui->ledPictureName->setToolTip(fault.isEmpty() ? QString() : tr("The file name %1.").arg(fault));
    if (!fault.isEmpty())
        return;
    m_pictureName = text;
    Q_EMIT signalPictureName(text);
}

void TVK_GUI_File::catchPictureNameFinished()
{
    if (ui->ledPictureName->text() == m_pictureName)
        return;
    ui->ledPictureName->setText(m_pictureName);
    ui->ledPictureName->setToolTip(QString());
}

void TVK_GUI_File::setPictureIndex(int index)
{
    ui->ledPictureIndex->setText(QString::number(index));
}

void TVK_GUI_File::catchPictureIndexEdited(const QString &text)
{
    bool ok = false;
    const int index = text.toInt(&ok);
    if (ok && index >= 0)
        Q_EMIT signalPictureIndex(index);
}

bool TVK_GUI_File::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->stxExampleName && event->type() == QEvent::Resize)
        showElidedExample();
    return QWidget::eventFilter(watched, event);
}
