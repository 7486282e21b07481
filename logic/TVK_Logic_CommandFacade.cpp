#include "TVK_Logic_CommandFacade.h"

#include "TVK_Debug_Log.h"
#include "TVK_Logic_Controller.h"

namespace {

using C = TVK_Logic_Controller;
using F = TVK_Logic_CommandFacade;
using State = TVK_Logic_CommandFacade::State;

// A remote's text is written to the log only this far.
constexpr int kLoggedTextLength = 64;

// The settings a remote sets by text: where the panel's text and choices of
// each live, and the setter the controller offers for it.
struct Setting {
    const char *name;
    QString State::*value;
    QStringList State::*choices;
    void (C::*valueSignal)(const QString &);
    void (C::*choicesSignal)(const QStringList &);
    void (F::*request)(const QString &);
    void (C::*setter)(const QString &);
};

const Setting kSettings[] = {
    {"aperture", &State::aperture, &State::apertures, &C::signalAperture, &C::signalApertureList,
     &F::signalSetAperture, &C::setAperture},
    {"shutterTime", &State::shutterTime, &State::shutterTimes, &C::signalShutterTime, &C::signalShutterTimeList,
     &F::signalSetShutterTime, &C::setShutterTime},
    {"exposureCompensation", &State::exposureCompensation, &State::exposureCompensations, &C::signalExposCompens,
     &C::signalExposCompensList, &F::signalSetExposCompens, &C::setExposCompens},
    {"sensitivity", &State::sensitivity, &State::sensitivities, &C::signalSensitivity, &C::signalSensitivityList,
     &F::signalSetSensitivity, &C::setSensitivity},
    {"whiteBalance", &State::whiteBalance, &State::whiteBalances, &C::signalWhiteBalance,
     &C::signalWhiteBalanceList, &F::signalSetWhiteBalance, &C::setWhiteBalance},
    {"driveMode", &State::driveMode, &State::driveModes, &C::signalDriveMode, &C::signalDriveModeList,
     &F::signalSetDriveMode, &C::setDriveMode},
};

} // namespace

TVK_Logic_CommandFacade::TVK_Logic_CommandFacade(TVK_Logic_Controller *controller, QObject *parent)
    : QObject(parent)
    , m_controller(controller)
{
    TVK_METHOD(prefix);
    if (!m_controller) {
        debugLog(kLELogAlways, "%s - no controller, remote commands do nothing", prefix);
        return;
    }
    followController();
}

TVK_Logic_CommandFacade::~TVK_Logic_CommandFacade() = default;

QStringList TVK_Logic_CommandFacade::settingNames()
{
    QStringList names;
    for (const Setting &setting : kSettings)
        names << QLatin1String(setting.name);
    return names;
}

template <typename Value, typename Arg>
void TVK_Logic_CommandFacade::follow(void (TVK_Logic_Controller::*signal)(Arg), Value State::*field)
{
    // Queued whenever the controller runs in a thread of its own.
    connect(m_controller.data(), signal, this, [this, field](Arg value) {
        m_state.*field = value;
        Q_EMIT signalStateChanged();
    });
}

void TVK_Logic_CommandFacade::followController()
{
    C *controller = m_controller.data();
    connect(controller, &C::signalCameraConnected, this, [this]() {
        m_state.connected = true;
        Q_EMIT signalStateChanged();
    });
    // What a camera said is no state of the next one.
    connect(controller, &C::signalCameraDisconnected, this, [this]() {
        m_state = State();
        Q_EMIT signalStateChanged();
    });
    follow(&C::signalExposureMode, &State::exposureMode);
    follow(&C::signalExposureModeList, &State::exposureModes);
    follow(&C::signalBatteryInfo, &State::batteryInfo);
    follow(&C::signalBatteryLevelIntern, &State::batteryLevelIntern);
    follow(&C::signalBatteryLevelExtern, &State::batteryLevelExtern);
    follow(&C::signalRemainingToLoad, &State::remainingToLoad);
    for (const Setting &setting : kSettings) {
        follow(setting.valueSignal, setting.value);
        follow(setting.choicesSignal, setting.choices);
        connect(this, setting.request, controller, setting.setter);
    }
}

void TVK_Logic_CommandFacade::release()
{
    if (!m_controller)
        return;
    // Both calls queue themselves into the controller's thread; events
    // posted from one thread to one receiver run in the order they were
    // posted, so the release always follows the press there.
    m_controller->doCaptureBtnPressed();
    m_controller->doCaptureBtnReleased();
}

bool TVK_Logic_CommandFacade::setSetting(const QString &name, const QString &text)
{
    TVK_METHOD(prefix);
    const Setting *setting = nullptr;
    for (const Setting &candidate : kSettings) {
        if (name == QLatin1String(candidate.name))
            setting = &candidate;
    }
    if (setting == nullptr) {
        debugLog(kLELogAlways, "%s - no setting \"%s\"", prefix, qUtf8Printable(name.left(kLoggedTextLength)));
        return false;
    }
    const QStringList &choices = m_state.*(setting->choices);
    if (!m_controller || !choices.contains(text)) {
        debugLog(kLELogAlways, "%s - \"%s\" is none of the %d choices of %s", prefix,
                 qUtf8Printable(text.left(kLoggedTextLength)), choices.size(), setting->name);
        return false;
    }
    Q_EMIT (this->*(setting->request))(text);
    return true;
}
