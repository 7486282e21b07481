#include "TVK_GUI_CameraArdo2.h"
#include "ui_TVK_GUI_CameraArdo2.h"

#include "TVK_Commu_ProductTraits.h"
#include "TVK_Debug_Log.h"
#include "TVK_GUI_Settings.h"
#include "TVK_GUI_TransferProgressWidget.h"
#include "TVK_GUI_ViewFinderArdo.h"
#include "TVK_GUI_ViewFinderBelo.h"
#include "TVK_Logic_Controller.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMetaMethod>
#include <QStyle>
#include <QTimer>
#include <QToolButton>

namespace {

const QString kImages = QStringLiteral(":/TVK_GUI/images/");
const char *const kPowerSwitchProperty = "PowerSwitch";
constexpr int kBatteryInfoIntern = 1;
constexpr int kBatteryInfoBoth = 2;
constexpr int kBatteryInfoMains = 3;
// The read-out keeps clear of the handle strip's rounded ends.
constexpr int kHandleInsetX = 12;
constexpr int kHandleInsetY = 1;

} // namespace

TVK_GUI_CameraArdo2::TVK_GUI_CameraArdo2(TVK_GUI_Application *application, TVK_Logic_Controller *controller,
                                         QWidget *parent)
    : TVK_GUI_CameraBase(application, controller, parent)
    , ui(new Ui::TVK_GUI_CameraArdo2)
{
    ui->setupUi(this);
    if (m_controller)
        setWindowTitle(m_controller->productName());
    createViewFinder();
    createTransferProgress();
    ui->lblCameraBody->setPicture(kImages + QStringLiteral("CameraBody.png"));
    ui->lblCameraHandle->setPicture(kImages + QStringLiteral("CameraHandle.png"));
    // A hidden tab widget keeps its room in the layout; the fixed height cuts it off.
    QSizePolicy tabPolicy = ui->tabWidget->sizePolicy();
    tabPolicy.setRetainSizeWhenHidden(true);
    ui->tabWidget->setSizePolicy(tabPolicy);
    if (m_controller)
        ui->tabCamera->setProductId(m_controller->productId());
    // Nothing about the batteries is known until the camera reports it.
    setBatteryInfo(0);
    for (QWidget *symbol : {ui->symBattInt, ui->symBattExt})
        showBattery(symbol, 0);
    ui->pbnCapture->setProperty(kPowerSwitchProperty, 0);

    // The picture buttons keep the size of their pictures: the general
    // tool-button rule's minimum width would otherwise squeeze them.
    for (QToolButton *button : {ui->tbnMinGUI, ui->tbnKeyLock, ui->tbnQuickView, ui->tbnLVPhoto, ui->tbnMirrorUp}) {
        const QSize size = button->minimumSize();
        button->setStyleSheet(QStringLiteral("min-width: %1px; max-width: %1px; min-height: %2px; max-height: %2px;")
                                  .arg(size.width())
                                  .arg(size.height()));
    }

    wireInside();

    ui->tbnMinGUI->setChecked(TVK_GUI_Settings::instance()->isMinimalControlGUI());
    layOutMinimalPanel(ui->tbnMinGUI->isChecked());

    ui->pbnCapture->setFocus();
    m_focusReturnTimer = new QTimer(this);
    m_focusReturnTimer->setObjectName(QStringLiteral("tmrFocusReturn"));
    m_focusReturnTimer->setSingleShot(true);
    m_focusReturnTimer->setInterval(kFocusReturnMs);
    connect(m_focusReturnTimer, &QTimer::timeout, ui->pbnCapture, QOverload<>::of(&QWidget::setFocus));
    qApp->installEventFilter(this);
    applyLiveViewButtonVisibility();
    setFixedWidth(kPanelWidth);
}

TVK_GUI_CameraArdo2::~TVK_GUI_CameraArdo2()
{
    qApp->removeEventFilter(this);
    // A shutter held while the window goes must not stay pressed in the camera.
    if (m_isSpaceBarDown || ui->pbnCapture->isHeld())
        Q_EMIT signalCaptureBtnReleased();
    // The children outlive this body and the bases' destructors; what they
    // say while they go (focus out, editing finished) must not reach a
    // half-destroyed window.
    for (QObject *child : findChildren<QObject *>())
        QObject::disconnect(child, nullptr, this, nullptr);
    delete ui;
}

bool TVK_GUI_CameraArdo2::usesBeloViewFinder(int productId)
{
    return TVK_Commu_ProductTraits::of(productId).viewFinder == TVK_Commu_ProductTraits::kLEViewFinderBelo;
}

QString TVK_GUI_CameraArdo2::batteryPicture(int level)
{
    const char *name = "BatteryEmpty.png";
    if (level >= 88 && level <= 100)
        name = "Battery100perCent.png";
    else if (level >= 63 && level <= 87)
        name = "Battery75perCent.png";
    else if (level >= 47 && level <= 62)
        name = "Battery50perCent.png";
    else if (level >= 35 && level <= 46)
        name = "Battery25perCent.png";
    else if (level >= 26 && level <= 34)
        name = "Battery10perCent.png";
    return kImages + QLatin1String(name);
}

void TVK_GUI_CameraArdo2::createViewFinder()
{
    const int productId = m_controller ? m_controller->productId() : 0;
    if (usesBeloViewFinder(productId))
        m_viewFinder = new TVK_GUI_ViewFinderBelo(this);
    else
        m_viewFinder = new TVK_GUI_ViewFinderArdo(this);
    m_viewFinder->setObjectName(QStringLiteral("wgtViewFinder"));
    ui->hlyViewFinderContainer->addWidget(m_viewFinder);
    m_viewFinder->set3DAxisVisible(m_controller && m_controller->has3DAxisData());
}

void TVK_GUI_CameraArdo2::createTransferProgress()
{
    // Over the handle strip, which is only a picture: shown or not, the read-out
    // moves nothing else in the panel, full or minimal.
    m_transferProgress = new TVK_GUI_TransferProgressWidget(ui->lblCameraHandle);
    m_transferProgress->setObjectName(QStringLiteral("wgtTransferProgress"));
    auto *layout = new QHBoxLayout(ui->lblCameraHandle);
    layout->setObjectName(QStringLiteral("hlyTransferProgress"));
    layout->setContentsMargins(kHandleInsetX, kHandleInsetY, kHandleInsetX, kHandleInsetY);
    layout->addWidget(m_transferProgress);
}

void TVK_GUI_CameraArdo2::wireInside()
{
    TVK_GUI_Capture *capture = ui->tabCamera;
    TVK_GUI_ViewFinderBase *vf = m_viewFinder;
    connect(capture, &TVK_GUI_Capture::signalExposureMode, vf, &TVK_GUI_ViewFinderBase::setExposureMode);
    connect(capture, &TVK_GUI_Capture::signalIsExpModeManual, vf, &TVK_GUI_ViewFinderBase::setLightBalIsActive);
    connect(capture, &TVK_GUI_Capture::signalAperture, vf, &TVK_GUI_ViewFinderBase::setAperture);
    connect(capture, &TVK_GUI_Capture::signalShutterTime, vf, &TVK_GUI_ViewFinderBase::setShutterTime);

    connect(ui->tbnKeyLock, &QToolButton::clicked, this, &TVK_GUI_CameraBase::signalKeyLock);
    connect(ui->tbnLVPhoto, &QToolButton::clicked, this, &TVK_GUI_CameraBase::signalLiveViewPhoto);
    connect(ui->tbnQuickView, &QToolButton::clicked, this, &TVK_GUI_CameraBase::signalWantQuickView);
    connect(ui->tbnMirrorUp, &QToolButton::clicked, this, &TVK_GUI_CameraBase::signalMirrorUpMode);
    connect(ui->pbnCapture, &QPushButton::pressed, this, &TVK_GUI_CameraBase::signalCaptureBtnPressed);
    connect(ui->pbnCapture, &QPushButton::released, this, &TVK_GUI_CameraBase::signalCaptureBtnReleased);

    forwardSameNamedSignals(ui->tabFile);
    forwardSameNamedSignals(ui->tabCamera);

    connect(ui->tbnMinGUI, &QToolButton::clicked, this, &TVK_GUI_CameraArdo2::catchMinGUIClicked);

    if (m_controller) {
        // A picture that failed gets no further step: its warning is the last
        // the panel hears of it. Other warnings only hide the read-out until
        // the next step.
        connect(m_controller, &TVK_Logic_Controller::signalWarning, m_transferProgress,
                &TVK_GUI_TransferProgressWidget::hideUntilNextStep);
        connect(m_controller, &TVK_Logic_Controller::signalCameraDisconnected, m_transferProgress,
                &TVK_GUI_TransferProgressWidget::clear);
    }
}

void TVK_GUI_CameraArdo2::forwardSameNamedSignals(QObject *tab)
{
    const QMetaObject *tabMeta = tab->metaObject();
    const QMetaObject &window = TVK_GUI_CameraBase::staticMetaObject;
    for (int i = tabMeta->methodOffset(); i < tabMeta->methodCount(); ++i) {
        const QMetaMethod signal = tabMeta->method(i);
        if (signal.methodType() != QMetaMethod::Signal)
            continue;
        // The tab's own notices (signalIsExpModeManual) have no window signal.
        const int windowIndex = window.indexOfSignal(signal.methodSignature().constData());
        if (windowIndex >= 0)
            connect(tab, signal, this, window.method(windowIndex));
    }
}

void TVK_GUI_CameraArdo2::layOutMinimalPanel(bool minimal)
{
    // Hidden while the height changes, so the window manager takes the new size.
    const bool wasVisible = isVisible();
    hide();
    ui->tabWidget->setVisible(!minimal);
    setFixedHeight(minimal ? kMinimalHeight : kFullHeight);
    if (wasVisible)
        show();
}

void TVK_GUI_CameraArdo2::catchMinGUIClicked(bool minimal)
{
    TVK_GUI_Settings::instance()->setIsMinimalControlGUI(minimal);
    layOutMinimalPanel(minimal);
}

void TVK_GUI_CameraArdo2::applyLiveViewButtonVisibility()
{
    ui->tbnLVPhoto->setVisible(m_hasLiveView);
}

void TVK_GUI_CameraArdo2::showBattery(QWidget *symbol, int level)
{
    const QString picture = m_isBatteryOnMains ? kImages + QStringLiteral("BatteryAC.png") : batteryPicture(level);
    static_cast<TVK_GUI_PictureLabel *>(symbol)->setPicture(picture);
}

// --- Keyboard shutter -----------------------------------------------------------------------------

bool TVK_GUI_CameraArdo2::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if ((type == QEvent::KeyPress || type == QEvent::FocusIn) && qobject_cast<QLineEdit *>(watched))
        m_focusReturnTimer->start();
    if ((type == QEvent::KeyPress || type == QEvent::KeyRelease) && handleSpaceBar(event))
        return true;
    return TVK_GUI_CameraBase::eventFilter(watched, event);
}

bool TVK_GUI_CameraArdo2::handleSpaceBar(QEvent *event)
{
    auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() != Qt::Key_Space)
        return false;
    if (event->type() == QEvent::KeyPress) {
        if (m_isSpaceBarDown)
            return true; // the keyboard's repeat; the shutter is already down
        if (qobject_cast<QLineEdit *>(QApplication::focusWidget()))
            return false; // typing a blank
        m_isSpaceBarDown = true;
        Q_EMIT signalCaptureBtnPressed();
        return true;
    }
    if (!m_isSpaceBarDown)
        return false;
    if (key->isAutoRepeat())
        return true;
    m_isSpaceBarDown = false;
    Q_EMIT signalCaptureBtnReleased();
    return true;
}

// --- Read-outs and tool buttons -------------------------------------------------------------------

void TVK_GUI_CameraArdo2::setLoading(bool isLoading)
{
    ui->wgtLoadIndicator->setLoading(isLoading);
    // Nothing is in transfer any more, whatever became of the last picture.
    if (!isLoading)
        m_transferProgress->clear();
}

void TVK_GUI_CameraArdo2::setRemainingToLoad(int remaining) { ui->wgtLoadCounter->setCounter(remaining); }

void TVK_GUI_CameraArdo2::setTransferProgress(const QString &cameraFileName, qint64 received, qint64 total)
{
    m_transferProgress->setTransferProgress(cameraFileName, received, total);
}

void TVK_GUI_CameraArdo2::set3DAxisAngles(double horizontal, double vertical)
{
    m_viewFinder->set3DAxisAngles(horizontal, vertical);
}

void TVK_GUI_CameraArdo2::setBatteryInfo(int info)
{
    const bool showIntern = info == kBatteryInfoIntern || info == kBatteryInfoBoth || info == kBatteryInfoMains;
    const bool showExtern = info == kBatteryInfoBoth;
    ui->lblBattInt->setVisible(showIntern);
    ui->symBattInt->setVisible(showIntern);
    ui->lblBattExt->setVisible(showExtern);
    ui->symBattExt->setVisible(showExtern);
    m_isBatteryOnMains = info == kBatteryInfoMains;
    if (m_isBatteryOnMains) {
        showBattery(ui->symBattInt, 0);
        showBattery(ui->symBattExt, 0);
    }
}

void TVK_GUI_CameraArdo2::setBatteryLevelIntern(int level) { showBattery(ui->symBattInt, level); }
void TVK_GUI_CameraArdo2::setBatteryLevelExtern(int level) { showBattery(ui->symBattExt, level); }

void TVK_GUI_CameraArdo2::setHasPowerSwitch(bool has)
{
    m_hasPowerSwitch = has;
    if (!has)
        setPowerSwitch(0);
}

void TVK_GUI_CameraArdo2::setPowerSwitch(int position)
{
    const int shown = m_hasPowerSwitch && position >= 1 && position <= 3 ? position : 0;
    ui->pbnCapture->setProperty(kPowerSwitchProperty, shown);
    // Property selectors of the style sheet are evaluated at polish time only.
    QStyle *style = ui->pbnCapture->style();
    style->unpolish(ui->pbnCapture);
    style->polish(ui->pbnCapture);
    ui->pbnCapture->update();
}

void TVK_GUI_CameraArdo2::setBulbCounter(int counter) { m_viewFinder->setBulbCounter(counter); }
void TVK_GUI_CameraArdo2::setSelfTimerCounter(int counter) { m_viewFinder->setSelfTimerCounter(counter); }
void TVK_GUI_CameraArdo2::setHasFlashStatus(bool has) { m_viewFinder->setHasFlashStatus(has); }
void TVK_GUI_CameraArdo2::setFlashStatus(int status) { m_viewFinder->setFlashStatus(status); }

void TVK_GUI_CameraArdo2::setHasFlashXSymbol(bool has)
{
    // A body without the symbol must not keep one lit; a body with it reports its state itself.
    if (!has)
        m_viewFinder->setFlashXSymbol(false);
}

void TVK_GUI_CameraArdo2::setFlashXSymbol(bool on) { m_viewFinder->setFlashXSymbol(on); }
void TVK_GUI_CameraArdo2::setLightBalance(int balance) { m_viewFinder->setLightBalance(balance); }
void TVK_GUI_CameraArdo2::setHasKeyLock(bool has) { ui->tbnKeyLock->setVisible(has); }
void TVK_GUI_CameraArdo2::setKeyLock(bool on) { ui->tbnKeyLock->setChecked(on); }

void TVK_GUI_CameraArdo2::setHasVideoRecording(bool has)
{
    m_hasVideoRecording = has;
    applyLiveViewButtonVisibility();
}

void TVK_GUI_CameraArdo2::setHasLiveView(bool has)
{
    m_hasLiveView = has;
    applyLiveViewButtonVisibility();
}

void TVK_GUI_CameraArdo2::setLiveViewPhoto(bool on) { ui->tbnLVPhoto->setChecked(on); }

void TVK_GUI_CameraArdo2::setLiveViewVideo(bool on)
{
    Q_UNUSED(on) // this panel has no video live-view button
}

void TVK_GUI_CameraArdo2::setLiveViewMode(int mode)
{
    ui->tabCamera->setLiveViewMode(mode);
    ui->tabFile->setLiveViewMode(mode);
}

void TVK_GUI_CameraArdo2::setWantQuickView(bool want) { ui->tbnQuickView->setChecked(want); }
void TVK_GUI_CameraArdo2::setHasMirrorUpMode(bool has) { ui->tbnMirrorUp->setVisible(has); }
void TVK_GUI_CameraArdo2::setMirrorUpMode(bool on) { ui->tbnMirrorUp->setChecked(on); }

// --- File tab -------------------------------------------------------------------------------------

void TVK_GUI_CameraArdo2::setFileFormatList(const QStringList &list) { ui->tabFile->setFileFormatList(list); }
void TVK_GUI_CameraArdo2::setFileFormat(int code) { ui->tabFile->setFileFormat(code); }
void TVK_GUI_CameraArdo2::setFileFormat(const QString &text) { ui->tabFile->setFileFormat(text); }
void TVK_GUI_CameraArdo2::setHasDngCompression(bool has) { ui->tabFile->setHasDngCompression(has); }
void TVK_GUI_CameraArdo2::setUseDngCompression(bool use) { ui->tabFile->setUseDngCompression(use); }
void TVK_GUI_CameraArdo2::setDngCompressionList(const QStringList &list) { ui->tabFile->setDngCompressionList(list); }
void TVK_GUI_CameraArdo2::setDngCompression(const QString &text) { ui->tabFile->setDngCompression(text); }
void TVK_GUI_CameraArdo2::setHasJpgColorSpace(bool has) { ui->tabFile->setHasJpgColorSpace(has); }
void TVK_GUI_CameraArdo2::setUseJpgColorSpace(bool use) { ui->tabFile->setUseJpgColorSpace(use); }
void TVK_GUI_CameraArdo2::setJpgColorSpaceList(const QStringList &list) { ui->tabFile->setJpgColorSpaceList(list); }
void TVK_GUI_CameraArdo2::setJpgColorSpace(const QString &text) { ui->tabFile->setJpgColorSpace(text); }
void TVK_GUI_CameraArdo2::setHasJpgResolution(bool has) { ui->tabFile->setHasJpgResolution(has); }
void TVK_GUI_CameraArdo2::setUseJpgResolution(bool use) { ui->tabFile->setUseJpgResolution(use); }
void TVK_GUI_CameraArdo2::setJpgResolutionList(const QStringList &list) { ui->tabFile->setJpgResolutionList(list); }
void TVK_GUI_CameraArdo2::setJpgResolution(const QString &text) { ui->tabFile->setJpgResolution(text); }
void TVK_GUI_CameraArdo2::setHasSensorFormat(bool has) { ui->tabFile->setHasSensorFormat(has); }
void TVK_GUI_CameraArdo2::setSensorFormatList(const QStringList &list) { ui->tabFile->setSensorFormatList(list); }
void TVK_GUI_CameraArdo2::setSensorFormat(const QString &text) { ui->tabFile->setSensorFormat(text); }
void TVK_GUI_CameraArdo2::setHasPhotoAspectRatio(bool has) { ui->tabFile->setHasPhotoAspectRatio(has); }
void TVK_GUI_CameraArdo2::setPhotoAspectRatioList(const QStringList &list)
{
    ui->tabFile->setPhotoAspectRatioList(list);
}
void TVK_GUI_CameraArdo2::setPhotoAspectRatio(const QString &text) { ui->tabFile->setPhotoAspectRatio(text); }
void TVK_GUI_CameraArdo2::setHasVideoFileFormat(bool has) { ui->tabFile->setHasVideoFileFormat(has); }
void TVK_GUI_CameraArdo2::setVideoFileFormatList(const QStringList &list)
{
    ui->tabFile->setVideoFileFormatList(list);
}
void TVK_GUI_CameraArdo2::setVideoFileFormat(const QString &text) { ui->tabFile->setVideoFileFormat(text); }
void TVK_GUI_CameraArdo2::setHasVideoResAndFrRate(bool has) { ui->tabFile->setHasVideoResAndFrRate(has); }
void TVK_GUI_CameraArdo2::setVideoResAndFrRateList(const QStringList &list)
{
    ui->tabFile->setVideoResAndFrRateList(list);
}
void TVK_GUI_CameraArdo2::setVideoResAndFrRate(const QString &text) { ui->tabFile->setVideoResAndFrRate(text); }
void TVK_GUI_CameraArdo2::setHasVideoFormatResol(bool has) { ui->tabFile->setHasVideoFormatResol(has); }
void TVK_GUI_CameraArdo2::setVideoFormatResolList(const QStringList &list)
{
    ui->tabFile->setVideoFormatResolList(list);
}
void TVK_GUI_CameraArdo2::setVideoFormatResol(const QString &text) { ui->tabFile->setVideoFormatResol(text); }
void TVK_GUI_CameraArdo2::setDngPath(const QString &path) { ui->tabFile->setDngPath(path); }
void TVK_GUI_CameraArdo2::setJpgPath(const QString &path) { ui->tabFile->setJpgPath(path); }
void TVK_GUI_CameraArdo2::setPictureExample(const QString &example) { ui->tabFile->setPictureExample(example); }
void TVK_GUI_CameraArdo2::setPictureName(const QString &name) { ui->tabFile->setPictureName(name); }
void TVK_GUI_CameraArdo2::setPictureIndex(int index) { ui->tabFile->setPictureIndex(index); }

// --- Capture tab and viewfinder -------------------------------------------------------------------

void TVK_GUI_CameraArdo2::setExposureModeList(const QStringList &list) { ui->tabCamera->setExposureModeList(list); }

void TVK_GUI_CameraArdo2::setExposureMode(int mode)
{
    m_viewFinder->setExposureMode(mode);
    ui->tabCamera->setExposureMode(mode);
}

void TVK_GUI_CameraArdo2::setExposureSimulation(int simulation) { m_viewFinder->setExposureSimulation(simulation); }
void TVK_GUI_CameraArdo2::setExposMeteringList(const QStringList &list) { ui->tabCamera->setExposMeteringList(list); }
void TVK_GUI_CameraArdo2::setExposMetering(int metering) { m_viewFinder->setExposMetering(metering); }
void TVK_GUI_CameraArdo2::setExposMetering(const QString &text) { ui->tabCamera->setExposMetering(text); }

void TVK_GUI_CameraArdo2::setHasAperture(bool has)
{
    m_viewFinder->setHasAperture(has);
    ui->tabCamera->setHasAperture(has);
}

void TVK_GUI_CameraArdo2::setApertureList(const QStringList &list) { ui->tabCamera->setApertureList(list); }
// The tab selects the camera's value silently (only the user's choice is
// reported), so the read-out is told directly as well.
void TVK_GUI_CameraArdo2::setAperture(const QString &text)
{
    ui->tabCamera->setAperture(text);
    m_viewFinder->setAperture(text);
}

void TVK_GUI_CameraArdo2::setShutterTimeList(const QStringList &list) { ui->tabCamera->setShutterTimeList(list); }
void TVK_GUI_CameraArdo2::setShutterTime(const QString &text)
{
    ui->tabCamera->setShutterTime(text);
    m_viewFinder->setShutterTime(text);
}

void TVK_GUI_CameraArdo2::setExposCompensList(const QStringList &list) { ui->tabCamera->setExposCompensList(list); }
void TVK_GUI_CameraArdo2::setExposCompens(int compens) { m_viewFinder->setExposCompens(compens); }
void TVK_GUI_CameraArdo2::setExposCompens(const QString &text) { ui->tabCamera->setExposCompens(text); }
void TVK_GUI_CameraArdo2::setExposCompensStep(int step) { m_viewFinder->setExposCompensStep(step); }

void TVK_GUI_CameraArdo2::setSensitivityAuto(bool isAuto)
{
    m_viewFinder->setSensitivityAuto(isAuto);
    ui->tabCamera->setSensitivityAuto(isAuto);
}

void TVK_GUI_CameraArdo2::setSensitivityList(const QStringList &list) { ui->tabCamera->setSensitivityList(list); }
void TVK_GUI_CameraArdo2::setLiveSensitivity(int sensitivity) { m_viewFinder->setSensitivity(sensitivity); }
void TVK_GUI_CameraArdo2::setSensitivity(const QString &text) { ui->tabCamera->setSensitivity(text); }
void TVK_GUI_CameraArdo2::setHasWhiteBalance(bool has) { ui->tabCamera->setHasWhiteBalance(has); }
void TVK_GUI_CameraArdo2::setWhiteBalanceList(const QStringList &list) { ui->tabCamera->setWhiteBalanceList(list); }
void TVK_GUI_CameraArdo2::setWhiteBalance(const QString &text) { ui->tabCamera->setWhiteBalance(text); }
void TVK_GUI_CameraArdo2::setIsWhiteBalTemp(bool isTemp) { ui->tabCamera->setIsWhiteBalTemp(isTemp); }
void TVK_GUI_CameraArdo2::setWhiteBalTempList(const QStringList &list) { ui->tabCamera->setWhiteBalTempList(list); }
void TVK_GUI_CameraArdo2::setWhiteBalTemp(const QString &text) { ui->tabCamera->setWhiteBalTemp(text); }
void TVK_GUI_CameraArdo2::setDriveModeList(const QStringList &list) { ui->tabCamera->setDriveModeList(list); }
void TVK_GUI_CameraArdo2::setDriveMode(int mode) { ui->tabCamera->setDriveMode(mode); }
void TVK_GUI_CameraArdo2::setDriveMode(const QString &text) { ui->tabCamera->setDriveMode(text); }
void TVK_GUI_CameraArdo2::setBracketImgNumList(const QStringList &list) { ui->tabCamera->setBracketImgNumList(list); }
void TVK_GUI_CameraArdo2::setBracketImgNum(const QString &text) { ui->tabCamera->setBracketImgNum(text); }
void TVK_GUI_CameraArdo2::setBracketDeltaEVList(const QStringList &list)
{
    ui->tabCamera->setBracketDeltaEVList(list);
}
void TVK_GUI_CameraArdo2::setBracketDeltaEV(const QString &text) { ui->tabCamera->setBracketDeltaEV(text); }
void TVK_GUI_CameraArdo2::setIsIntervalMode(bool isInterval) { ui->tabCamera->setIsIntervalMode(isInterval); }
void TVK_GUI_CameraArdo2::setIntervalFramesRange(int min, int max) { ui->tabCamera->setIntervalFramesRange(min, max); }
void TVK_GUI_CameraArdo2::setIntervalFramesList(const QStringList &list)
{
    ui->tabCamera->setIntervalFramesList(list);
}
void TVK_GUI_CameraArdo2::setIntervalFrames(int frames) { ui->tabCamera->setIntervalFrames(frames); }
void TVK_GUI_CameraArdo2::setIntervalFrames(const QString &text) { ui->tabCamera->setIntervalFrames(text); }
void TVK_GUI_CameraArdo2::setIntervalTimeRange(int min, int max) { ui->tabCamera->setIntervalTimeRange(min, max); }
void TVK_GUI_CameraArdo2::setIntervalTimeList(const QStringList &list) { ui->tabCamera->setIntervalTimeList(list); }
void TVK_GUI_CameraArdo2::setIntervalTime(int seconds) { ui->tabCamera->setIntervalTime(seconds); }
void TVK_GUI_CameraArdo2::setIntervalTime(const QString &text) { ui->tabCamera->setIntervalTime(text); }
void TVK_GUI_CameraArdo2::setHasFocusMode(bool has) { ui->tabCamera->setHasFocusMode(has); }
void TVK_GUI_CameraArdo2::setFocusMode(int mode) { ui->tabCamera->setFocusMode(mode); }
void TVK_GUI_CameraArdo2::setHasFocusDistance(bool has) { ui->tabCamera->setHasFocusDistance(has); }
void TVK_GUI_CameraArdo2::setFocusDistance(const QString &text) { ui->tabCamera->setFocusDistance(text); }
void TVK_GUI_CameraArdo2::setFocusIsUnitFeet(bool isFeet) { ui->tabCamera->setFocusIsUnitFeet(isFeet); }
void TVK_GUI_CameraArdo2::setFocusMaxDistance(const QString &text) { ui->tabCamera->setFocusMaxDistance(text); }
void TVK_GUI_CameraArdo2::setFocusMinDistance(const QString &text) { ui->tabCamera->setFocusMinDistance(text); }
void TVK_GUI_CameraArdo2::setHasFocusConfirmation(bool has) { m_viewFinder->setHasFocusConfirmation(has); }
void TVK_GUI_CameraArdo2::setFocusConfirmation(int confirmation) { m_viewFinder->setFocusConfirmation(confirmation); }
void TVK_GUI_CameraArdo2::setFocusConfirmBadSig(bool badSignal) { m_viewFinder->setFocusConfirmBadSig(badSignal); }
void TVK_GUI_CameraArdo2::setNoFocusConfirmation() { m_viewFinder->setNoFocusConfirmation(); }
