#include "TVK_GUI_LiveViewInfoWidget.h"
#include "ui_TVK_GUI_LiveViewInfoWidget.h"

#include "TVK_Debug_Log.h"
#include "TVK_GUI_AudioMeterWidget.h"
#include "TVK_GUI_AudioVolumeWidget.h"
#include "TVK_GUI_MultiStateToolButton.h"
#include "TVK_GUI_PictureLabel.h"
#include "TVK_GUI_Resources.h"

#include <QSignalBlocker>

namespace {

const QString kMicPicture = QStringLiteral(":/TVK_GUI/images/LiveView/LVMic.png");
const QString kLeftRightPicture = QStringLiteral(":/TVK_GUI/images/LiveView/LVmicLR.png");

// What each live view mode shows; modes not listed show none of these.
struct ModeLayout {
    int mode;
    bool zoom;
    bool gcPip;
    bool timeCode;
    bool audio;
};

constexpr ModeLayout kModeLayouts[] = {
    {1, false, false, true, true},
    {2, true, true, false, false},
    {3, true, true, false, true},
    {4, false, true, false, false},
};

ModeLayout layoutFor(int mode)
{
    for (const ModeLayout &layout : kModeLayouts) {
        if (layout.mode == mode)
            return layout;
    }
    return {mode, false, false, false, false};
}

// The video mode: AF-on and grey-card saving make no sense while recording.
constexpr int kVideoMode = 1;

} // namespace

TVK_GUI_LiveViewInfoWidget::TVK_GUI_LiveViewInfoWidget(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::TVK_GUI_LiveViewInfoWidget)
{
    TVK_GUI_Resources::initialize();
    ui->setupUi(this);
    ui->lblMic->setPicture(kMicPicture);
    ui->lblLR->setPicture(kLeftRightPicture);
    ui->tbnAFon->hide();
    ui->tbnGCSave->hide();
    ui->tbnExpSim->hide();

    connect(ui->tbnExpSim, &QToolButton::clicked, this, &TVK_GUI_LiveViewInfoWidget::catchExpSimClicked);
    connect(ui->tbnGCPip, &QToolButton::clicked, this, &TVK_GUI_LiveViewInfoWidget::signalGCPipIsActive);
    connect(ui->tbnGCPip, &QToolButton::clicked, this, &TVK_GUI_LiveViewInfoWidget::catchGCPipIsActive);
    connect(ui->tbnZoom, &QToolButton::clicked, this, &TVK_GUI_LiveViewInfoWidget::signalZoomLevelClicked);
    connect(ui->tbnZoom, &QToolButton::released, this, &TVK_GUI_LiveViewInfoWidget::catchZoomLevelReleased);
    connect(ui->tbnAFon, &QToolButton::pressed, this, &TVK_GUI_LiveViewInfoWidget::signalAFPressed);
    connect(ui->tbnAFon, &QToolButton::released, this, &TVK_GUI_LiveViewInfoWidget::signalAFReleased);
    connect(ui->tbnGCSave, &QToolButton::clicked, this, &TVK_GUI_LiveViewInfoWidget::signalGCPipSave);
    connect(ui->wgtAudioVolume, &TVK_GUI_AudioVolumeWidget::signalVolume, this,
            &TVK_GUI_LiveViewInfoWidget::signalAudioVolume);

    applyLiveViewMode(m_liveViewMode);
}

TVK_GUI_LiveViewInfoWidget::~TVK_GUI_LiveViewInfoWidget()
{
    delete ui;
}

QToolButton *TVK_GUI_LiveViewInfoWidget::zoomButton() const { return ui->tbnZoom; }
QToolButton *TVK_GUI_LiveViewInfoWidget::gcPipButton() const { return ui->tbnGCPip; }
TVK_GUI_MultiStateToolButton *TVK_GUI_LiveViewInfoWidget::expSimButton() const { return ui->tbnExpSim; }
QToolButton *TVK_GUI_LiveViewInfoWidget::afOnButton() const { return ui->tbnAFon; }
QToolButton *TVK_GUI_LiveViewInfoWidget::gcSaveButton() const { return ui->tbnGCSave; }
QLabel *TVK_GUI_LiveViewInfoWidget::timeCodeLabel() const { return ui->lblTimeCode; }
TVK_GUI_AudioMeterWidget *TVK_GUI_LiveViewInfoWidget::audioMeterLeft() const { return ui->wgtAudioMeterL; }
TVK_GUI_AudioMeterWidget *TVK_GUI_LiveViewInfoWidget::audioMeterRight() const { return ui->wgtAudioMeterR; }
TVK_GUI_AudioVolumeWidget *TVK_GUI_LiveViewInfoWidget::audioVolume() const { return ui->wgtAudioVolume; }

QList<QWidget *> TVK_GUI_LiveViewInfoWidget::audioBlock() const
{
    return {ui->lblMic, ui->lblMicSpacer, ui->lblLR, ui->wgtAudioMeterL, ui->wgtAudioMeterR, ui->wgtAudioVolume};
}

void TVK_GUI_LiveViewInfoWidget::setAudioVolumeIsManual(bool isManual)
{
    ui->wgtAudioVolume->setIsManual(isManual);
}

void TVK_GUI_LiveViewInfoWidget::setAudioVolume(double volume)
{
    ui->wgtAudioVolume->setVolume(volume);
}

void TVK_GUI_LiveViewInfoWidget::setExposureSimulationList(const QVector<int> &values)
{
    m_expSimMap.clear();
    for (int i = 0; i < values.size(); ++i)
        m_expSimMap.insert(i, values.at(i));
    if (values.size() >= TVK_GUI_MultiStateToolButton::kMinimumStateCount) {
        ui->tbnExpSim->setStateCount(values.size());
    } else {
        TVK_METHOD(prefix);
        debugLog(kLELogAlways, "%s - %d exposure simulation values, state count %d kept", prefix,
                 int(values.size()), ui->tbnExpSim->stateCount());
    }
    ui->tbnExpSim->setStateMap(m_expSimMap);
    ui->tbnExpSim->setState(ui->tbnExpSim->state());
    // A camera without at least two simulation values offers no choice.
    ui->tbnExpSim->setVisible(values.size() >= TVK_GUI_MultiStateToolButton::kMinimumStateCount);
}

void TVK_GUI_LiveViewInfoWidget::setExposureSimulation(int value)
{
    int state = 0;
    for (int s = 0; s < ui->tbnExpSim->stateCount(); ++s) {
        if (ui->tbnExpSim->hasMappedValue(s) && ui->tbnExpSim->mappedValue(s) == value) {
            state = s;
            break;
        }
    }
    ui->tbnExpSim->setState(state);
}

void TVK_GUI_LiveViewInfoWidget::setGCPipIsActive(bool isActive)
{
    applyGCPipIsActive(isActive);
    const QSignalBlocker blocker(ui->tbnGCPip);
    ui->tbnGCPip->setChecked(isActive);
}

void TVK_GUI_LiveViewInfoWidget::setGCPipNeedsSave(double, double)
{
    ui->tbnGCSave->show();
}

void TVK_GUI_LiveViewInfoWidget::setLiveViewMode(int mode)
{
    if (mode == m_liveViewMode)
        return;
    applyLiveViewMode(mode);
}

void TVK_GUI_LiveViewInfoWidget::setAudioLevel(double levelLeft, double levelRight, double peakLeft,
                                               double peakRight)
{
    ui->wgtAudioMeterL->setAudioLevel(levelLeft, peakLeft);
    ui->wgtAudioMeterR->setAudioLevel(levelRight, peakRight);
}

void TVK_GUI_LiveViewInfoWidget::setTimeCode(int hours, int minutes, int seconds, int frames)
{
    ui->lblTimeCode->setText(QString::asprintf("%02d:%02d:%02d.%02d", hours, minutes, seconds, frames));
}

void TVK_GUI_LiveViewInfoWidget::setZoomInfo(int, int, double, double)
{
    ui->tbnAFon->setVisible(!m_isGCPipActive);
}

void TVK_GUI_LiveViewInfoWidget::catchExpSimClicked()
{
    // The button has already stepped to its next state when clicked() arrives.
    const int state = ui->tbnExpSim->state();
    if (!ui->tbnExpSim->hasMappedValue(state))
        return;
    Q_EMIT signalExposureSimulation(ui->tbnExpSim->mappedValue(state));
}

void TVK_GUI_LiveViewInfoWidget::catchGCPipIsActive(bool isActive)
{
    applyGCPipIsActive(isActive);
}

void TVK_GUI_LiveViewInfoWidget::catchZoomLevelReleased()
{
    // Each click is one step through the zoom levels, not a state to keep.
    ui->tbnZoom->setChecked(false);
}

void TVK_GUI_LiveViewInfoWidget::applyLiveViewMode(int mode)
{
    m_liveViewMode = mode;
    const ModeLayout layout = layoutFor(mode);
    ui->tbnZoom->setVisible(layout.zoom);
    ui->tbnGCPip->setVisible(layout.gcPip);
    ui->lblTimeCode->setVisible(layout.timeCode);
    for (QWidget *widget : audioBlock())
        widget->setVisible(layout.audio);
    if (mode == kVideoMode) {
        ui->tbnAFon->hide();
        ui->tbnGCSave->hide();
    }
}

void TVK_GUI_LiveViewInfoWidget::applyGCPipIsActive(bool isActive)
{
    m_isGCPipActive = isActive;
    if (isActive)
        ui->tbnAFon->hide();
    else
        ui->tbnGCSave->hide();
}
