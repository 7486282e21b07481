#include "TVK_GUI_Capture.h"
#include "ui_TVK_GUI_Capture.h"

#include "TVK_Commu_ProductTraits.h"
#include "TVK_Debug_Log.h"

#include <QIntValidator>
#include <QSignalBlocker>
#include <QTimer>

namespace {

constexpr int kDriveModeBracketing = 4;
constexpr int kDriveModeInterval = 5;

// Some bodies move the lens by distance only in live-view modes 2 and 3.
bool needsLiveViewForFocusDistance(int productId)
{
    return TVK_Commu_ProductTraits::of(productId).has(TVK_Commu_ProductTraits::kLEFocusDistanceInLiveView);
}

} // namespace

TVK_GUI_Capture::TVK_GUI_Capture(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::TVK_GUI_Capture)
    , m_intervalFramesValidator(new QIntValidator(0, 99999, this))
    , m_intervalTimeValidator(new QIntValidator(0, 99999, this))
    , m_intervalFramesTimer(new QTimer(this))
    , m_intervalTimeTimer(new QTimer(this))
{
    ui->setupUi(this);
    bindLists();

    ui->ledIntervalFrames->setValidator(m_intervalFramesValidator);
    ui->ledIntervalTime->setValidator(m_intervalTimeValidator);
    m_intervalFramesTimer->setObjectName(QStringLiteral("tmrIntervalFramesDirty"));
    m_intervalTimeTimer->setObjectName(QStringLiteral("tmrIntervalTimeDirty"));
    for (QTimer *timer : {m_intervalFramesTimer, m_intervalTimeTimer}) {
        timer->setSingleShot(true);
        timer->setInterval(kIntervalSettleMs);
    }

    connect(ui->wgtExposMode, &TVK_GUI_ExposureModeWidget::signalChosen, this,
            &TVK_GUI_Capture::catchExposureModeChanged);
    connect(ui->cbbSensitivity, QOverload<int>::of(&QComboBox::activated), this,
            &TVK_GUI_Capture::catchSensitivityChanged);
    connect(ui->ledIntervalFrames, &QLineEdit::textEdited, this, &TVK_GUI_Capture::catchIntervalFramesEdited);
    connect(ui->ledIntervalTime, &QLineEdit::textEdited, this, &TVK_GUI_Capture::catchIntervalTimeEdited);
    connect(m_intervalFramesTimer, &QTimer::timeout, this, &TVK_GUI_Capture::catchIntervalFramesDirtyFired);
    connect(m_intervalTimeTimer, &QTimer::timeout, this, &TVK_GUI_Capture::catchIntervalTimeDirtyFired);
    connect(ui->wgtFocusMode, &TVK_GUI_FocusModeWidget::signalChosen, this, &TVK_GUI_Capture::catchFocusModeChanged);
    connect(ui->wgtFocusDistance, &TVK_GUI_FocusDistanceWidget::signalChosen, this,
            &TVK_GUI_Capture::signalFocusDistance);
    connect(ui->wgtFocusDistance, &TVK_GUI_FocusDistanceWidget::signalDecrease, this,
            &TVK_GUI_Capture::signalFocusDistanceDec);
    connect(ui->wgtFocusDistance, &TVK_GUI_FocusDistanceWidget::signalIncrease, this,
            &TVK_GUI_Capture::signalFocusDistanceInc);

    // Until the camera reports a drive mode the row shows its placeholders.
    setDriveMode(-1);
    enableExposureControls(ui->wgtExposMode->checkedMode());
}

TVK_GUI_Capture::~TVK_GUI_Capture()
{
    delete ui;
}

void TVK_GUI_Capture::bindLists()
{
    // Every list of the tab: its name in log lines and the signal the user's
    // choice leaves by. The hidden interval lists log no illegal values.
    struct Binding {
        TVK_GUI_ComboBox *box;
        const char *name;
        bool logsIllegalValue;
        void (TVK_GUI_Capture::*signal)(const QString &);
    };
    const Binding bindings[] = {
        {ui->cbbExposMetering, "expos metering", true, &TVK_GUI_Capture::signalExposMetering},
        {ui->cbbShutterTime, "shutter time", true, &TVK_GUI_Capture::signalShutterTime},
        {ui->cbbAperture, "aperture", true, &TVK_GUI_Capture::signalAperture},
        {ui->cbbExposCompens, "exposure compensation", true, &TVK_GUI_Capture::signalExposCompens},
        {ui->cbbSensitivity, "sensitivity", true, &TVK_GUI_Capture::signalSensitivity},
        {ui->cbbWhiteBalance, "white balance", true, &TVK_GUI_Capture::signalWhiteBalance},
        {ui->cbbWhiteBalTemp, "white balance temperature", true, &TVK_GUI_Capture::signalWhiteBalTemp},
        {ui->cbbDriveMode, "drive mode", true, &TVK_GUI_Capture::signalDriveMode},
        {ui->cbbBracketImgNum, "bracket image numbers", true, &TVK_GUI_Capture::signalBracketImgNum},
        {ui->cbbBracketDeltaEV, "bracketing Delta EV", true, &TVK_GUI_Capture::signalBracketDeltaEV},
        {ui->cbbIntervalFrames, "interval frames", false, &TVK_GUI_Capture::signalIntervalFrames},
        {ui->cbbIntervalTime, "interval time", false, &TVK_GUI_Capture::signalIntervalTime},
    };
    for (const Binding &binding : bindings) {
        binding.box->setSettingName(binding.name, binding.logsIllegalValue);
        connect(binding.box, &QComboBox::textActivated, this, binding.signal);
    }
}

void TVK_GUI_Capture::setProductId(int productId)
{
    m_productId = productId;
    ui->wgtFocusMode->setProductId(productId);
    applyFocusDistanceAvailability();
}

// --- exposure mode --------------------------------------------------------

void TVK_GUI_Capture::setExposureModeList(const QStringList &list)
{
    ui->wgtExposMode->setExposureModeList(list);
}

void TVK_GUI_Capture::setExposureMode(int mode)
{
    ui->wgtExposMode->setExposureMode(mode);
    enableExposureControls(mode);
}

void TVK_GUI_Capture::enableExposureControls(int mode)
{
    TVK_METHOD(method);
    bool shutterTime = false;
    bool aperture = false;
    switch (mode) {
    case 0:
    case 4:
        shutterTime = aperture = true;
        break;
    case 1:
        shutterTime = true;
        break;
    case 2:
        aperture = true;
        break;
    case 3:
    case 5:
        break;
    default:
        debugLog(kLELogAlways, "%s - illegal exposure mode %d", method, mode);
        return;
    }
    ui->cbbShutterTime->setEnabled(shutterTime);
    ui->cbbAperture->setEnabled(aperture);
}

void TVK_GUI_Capture::catchExposureModeChanged(int mode)
{
    enableExposureControls(mode);
    Q_EMIT signalExposureMode(mode);
    Q_EMIT signalIsExpModeManual(mode == 0);
}

// --- the list settings ----------------------------------------------------

void TVK_GUI_Capture::setExposMeteringList(const QStringList &list)
{
    TVK_METHOD(method);
    ui->cbbExposMetering->setEntries(method, list);
}

void TVK_GUI_Capture::setExposMetering(const QString &text)
{
    TVK_METHOD(method);
    ui->cbbExposMetering->selectEntry(method, text);
}

void TVK_GUI_Capture::setHasAperture(bool has)
{
    ui->wgtExposMode->setHasAperture(has);
    ui->lblAperture->setVisible(has);
    ui->cbbAperture->setVisible(has);
}

void TVK_GUI_Capture::setApertureList(const QStringList &list)
{
    TVK_METHOD(method);
    ui->cbbAperture->setEntries(method, list);
}

void TVK_GUI_Capture::setAperture(const QString &text)
{
    TVK_METHOD(method);
    ui->cbbAperture->selectEntry(method, text);
}

void TVK_GUI_Capture::setShutterTimeList(const QStringList &list)
{
    TVK_METHOD(method);
    ui->cbbShutterTime->setEntries(method, list);
}

void TVK_GUI_Capture::setShutterTime(const QString &text)
{
    TVK_METHOD(method);
    ui->cbbShutterTime->selectEntry(method, text);
}

void TVK_GUI_Capture::setExposCompensList(const QStringList &list)
{
    TVK_METHOD(method);
    ui->cbbExposCompens->setEntries(method, list);
}

void TVK_GUI_Capture::setExposCompens(const QString &text)
{
    TVK_METHOD(method);
    ui->cbbExposCompens->selectEntry(method, text);
}

// --- ISO: the first entry stands for automatic ISO --------------------------

void TVK_GUI_Capture::setSensitivityAuto(bool isAuto)
{
    m_isSensitivityAuto = isAuto;
    if (isAuto && ui->cbbSensitivity->count() > 0) {
        const QSignalBlocker blocker(ui->cbbSensitivity);
        ui->cbbSensitivity->setCurrentIndex(0);
    }
}

void TVK_GUI_Capture::setSensitivityList(const QStringList &list)
{
    TVK_METHOD(method);
    ui->cbbSensitivity->setEntries(method, list);
}

void TVK_GUI_Capture::setSensitivity(const QString &text)
{
    // Under automatic ISO the camera reports the ISO it picked; the list
    // keeps showing "auto".
    if (m_isSensitivityAuto)
        return;
    TVK_METHOD(method);
    ui->cbbSensitivity->selectEntry(method, text);
}

void TVK_GUI_Capture::catchSensitivityChanged(int index)
{
    m_isSensitivityAuto = index == 0;
}

// --- white balance --------------------------------------------------------

void TVK_GUI_Capture::setHasWhiteBalance(bool has)
{
    ui->lblWhiteBalance->setVisible(has);
    ui->cbbWhiteBalance->setVisible(has);
    ui->cbbWhiteBalTemp->setVisible(has);
}

void TVK_GUI_Capture::setWhiteBalanceList(const QStringList &list)
{
    TVK_METHOD(method);
    ui->cbbWhiteBalance->setEntries(method, list);
}

void TVK_GUI_Capture::setWhiteBalance(const QString &text)
{
    TVK_METHOD(method);
    ui->cbbWhiteBalance->selectEntry(method, text);
}

void TVK_GUI_Capture::setIsWhiteBalTemp(bool isTemp)
{
    ui->cbbWhiteBalTemp->setEnabled(isTemp);
}

void TVK_GUI_Capture::setWhiteBalTempList(const QStringList &list)
{
    TVK_METHOD(method);
    ui->cbbWhiteBalTemp->setEntries(method, list);
}

void TVK_GUI_Capture::setWhiteBalTemp(const QString &text)
{
    TVK_METHOD(method);
    ui->cbbWhiteBalTemp->selectEntry(method, text);
}

// --- drive mode, bracketing, interval ---------------------------------------

void TVK_GUI_Capture::setDriveModeList(const QStringList &list)
{
    TVK_METHOD(method);
    ui->cbbDriveMode->setEntries(method, list);
}

void TVK_GUI_Capture::setDriveMode(int mode)
{
    // One row below the drive mode: bracketing lists, interval fields, or
    // disabled placeholders that keep the layout from jumping.
    const bool bracketing = mode == kDriveModeBracketing;
    const bool interval = mode == kDriveModeInterval;
    ui->cbbEmpty1->setVisible(!bracketing && !interval);
    ui->cbbEmpty2->setVisible(!bracketing && !interval);
    ui->cbbBracketImgNum->setVisible(bracketing);
    ui->cbbBracketDeltaEV->setVisible(bracketing);
    // The interval lists stay hidden: the fields take any value in range.
    ui->cbbIntervalFrames->setVisible(false);
    ui->cbbIntervalTime->setVisible(false);
    for (QWidget *widget : {static_cast<QWidget *>(ui->ledIntervalFrames), static_cast<QWidget *>(ui->lblIntervalFrames),
                            static_cast<QWidget *>(ui->ledIntervalTime), static_cast<QWidget *>(ui->lblIntervalTime)})
        widget->setVisible(interval);
}

void TVK_GUI_Capture::setDriveMode(const QString &text)
{
    TVK_METHOD(method);
    ui->cbbDriveMode->selectEntry(method, text);
}

void TVK_GUI_Capture::setBracketImgNumList(const QStringList &list)
{
    TVK_METHOD(method);
    ui->cbbBracketImgNum->setEntries(method, list);
}

void TVK_GUI_Capture::setBracketImgNum(const QString &text)
{
    TVK_METHOD(method);
    ui->cbbBracketImgNum->selectEntry(method, text);
}

void TVK_GUI_Capture::setBracketDeltaEVList(const QStringList &list)
{
    TVK_METHOD(method);
    ui->cbbBracketDeltaEV->setEntries(method, list);
}

void TVK_GUI_Capture::setBracketDeltaEV(const QString &text)
{
    TVK_METHOD(method);
    ui->cbbBracketDeltaEV->selectEntry(method, text);
}

void TVK_GUI_Capture::setIsIntervalMode(bool isInterval)
{
    ui->cbbIntervalFrames->setEnabled(isInterval);
    ui->cbbIntervalTime->setEnabled(isInterval);
    ui->ledIntervalFrames->setEnabled(isInterval);
    ui->ledIntervalTime->setEnabled(isInterval);
}

void TVK_GUI_Capture::setIntervalFramesRange(int min, int max)
{
    m_intervalFramesValidator->setRange(min, max);
}

void TVK_GUI_Capture::setIntervalFramesList(const QStringList &list)
{
    TVK_METHOD(method);
    ui->cbbIntervalFrames->setEntries(method, list);
}

void TVK_GUI_Capture::setIntervalFrames(int frames)
{
    m_intervalFrames = frames;
    ui->ledIntervalFrames->setText(QString::number(frames));
}

void TVK_GUI_Capture::setIntervalFrames(const QString &text)
{
    TVK_METHOD(method);
    ui->cbbIntervalFrames->selectEntry(method, text);
}

void TVK_GUI_Capture::setIntervalTimeRange(int min, int max)
{
    m_intervalTimeValidator->setRange(min, max);
}

void TVK_GUI_Capture::setIntervalTimeList(const QStringList &list)
{
    TVK_METHOD(method);
    ui->cbbIntervalTime->setEntries(method, list);
}

void TVK_GUI_Capture::setIntervalTime(int seconds)
{
    m_intervalTime = seconds;
    ui->ledIntervalTime->setText(QString::number(seconds));
}

void TVK_GUI_Capture::setIntervalTime(const QString &text)
{
    TVK_METHOD(method);
    ui->cbbIntervalTime->selectEntry(method, text);
}

bool TVK_GUI_Capture::readIntervalField(const QLineEdit *field, const QIntValidator *validator, int *value)
{
    QString text = field->text();
    bool ok = false;
    const int number = text.toInt(&ok);
    int position = 0;
    if (!ok || validator->validate(text, position) != QValidator::Acceptable)
        return false;
    *value = number;
    return true;
}

void TVK_GUI_Capture::catchIntervalFramesEdited(const QString &)
{
    int frames = 0;
    if (!readIntervalField(ui->ledIntervalFrames, m_intervalFramesValidator, &frames)) {
        m_intervalFramesTimer->start();
        return;
    }
    m_intervalFramesTimer->stop();
    m_intervalFrames = frames;
    Q_EMIT signalIntervalFrames(frames);
}

void TVK_GUI_Capture::catchIntervalFramesDirtyFired()
{
    if (m_intervalFrames > 0)
        ui->ledIntervalFrames->setText(QString::number(m_intervalFrames));
}

void TVK_GUI_Capture::catchIntervalTimeEdited(const QString &)
{
    int seconds = 0;
    if (!readIntervalField(ui->ledIntervalTime, m_intervalTimeValidator, &seconds)) {
        m_intervalTimeTimer->start();
        return;
    }
    m_intervalTimeTimer->stop();
    m_intervalTime = seconds;
    Q_EMIT signalIntervalTime(seconds);
}

void TVK_GUI_Capture::catchIntervalTimeDirtyFired()
{
    if (m_intervalTime > 0)
        ui->ledIntervalTime->setText(QString::number(m_intervalTime));
}

// --- focus ----------------------------------------------------------------

void TVK_GUI_Capture::setLiveViewMode(int mode)
{
    m_liveViewMode = mode;
    applyFocusDistanceAvailability();
}

void TVK_GUI_Capture::applyFocusDistanceAvailability()
{
    const bool enabled = !needsLiveViewForFocusDistance(m_productId) || m_liveViewMode == 2 || m_liveViewMode == 3;
    ui->wgtFocusDistance->setEnabled(enabled);
}

void TVK_GUI_Capture::setHasFocusMode(bool has)
{
    ui->lblFocusMode->setVisible(has);
    ui->wgtFocusMode->setVisible(has);
}

void TVK_GUI_Capture::setFocusMode(int mode)
{
    ui->wgtFocusMode->setFocusMode(mode);
}

void TVK_GUI_Capture::catchFocusModeChanged(int mode)
{
    Q_EMIT signalFocusMode(mode);
}

void TVK_GUI_Capture::setHasFocusDistance(bool)
{
    // The application takes the same controller signal for its units menu;
    // the distance widget itself stays.
}

void TVK_GUI_Capture::setFocusDistance(const QString &text)
{
    ui->wgtFocusDistance->setCurrDistance(text);
}

void TVK_GUI_Capture::setFocusIsUnitFeet(bool isFeet)
{
    ui->wgtFocusDistance->setIsUnitFeet(isFeet);
}

void TVK_GUI_Capture::setFocusMaxDistance(const QString &text)
{
    ui->wgtFocusDistance->setMaxDistance(text);
}

void TVK_GUI_Capture::setFocusMinDistance(const QString &text)
{
    ui->wgtFocusDistance->setMinDistance(text);
}
