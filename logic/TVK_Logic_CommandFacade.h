#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class TVK_Logic_Controller;

// What a remote control may do with the camera, whatever carries its
// commands: release, set a setting by the text the panel shows, and read the
// camera's state as the panel shows it. It lives in the GUI thread, as the
// panel does, and reaches the controller only through the controller's
// signals and its slots that queue themselves or are connected queued; an
// adapter (the loopback command server, a web remote) talks to nothing else.
class TVK_Logic_CommandFacade : public QObject
{
    Q_OBJECT

public:
    // The texts and lists the panel shows, kept current from the controller.
    struct State {
        bool connected = false;
        int exposureMode = -1; // the camera's mode number; -1 before the camera said
        QStringList exposureModes;
        QString aperture;
        QStringList apertures;
        QString shutterTime;
        QStringList shutterTimes;
        QString exposureCompensation;
        QStringList exposureCompensations;
        QString sensitivity;
        QStringList sensitivities;
        QString whiteBalance;
        QStringList whiteBalances;
        QString driveMode;
        QStringList driveModes;
        int batteryInfo = 0;
        int batteryLevelIntern = 0;
        int batteryLevelExtern = 0;
        int remainingToLoad = 0;
    };

    explicit TVK_Logic_CommandFacade(TVK_Logic_Controller *controller, QObject *parent = nullptr);
    ~TVK_Logic_CommandFacade() override;

    const State &state() const { return m_state; }
    // The names setSetting knows, in the panel's order.
    static QStringList settingNames();

    // One whole release, press then release; nothing without a controller.
    void release();
    // Hands the text to the camera when it is one of the setting's current
    // choices; false, with a log line, for an unknown setting or text. The
    // state changes only when the camera reports the new value.
    bool setSetting(const QString &name, const QString &text);

Q_SIGNALS:
    void signalStateChanged();
    // Connected to the controller's setters of the same name.
    void signalSetAperture(const QString &text);
    void signalSetShutterTime(const QString &text);
    void signalSetExposCompens(const QString &text);
    void signalSetSensitivity(const QString &text);
    void signalSetWhiteBalance(const QString &text);
    void signalSetDriveMode(const QString &text);

private:
    void followController();
    template <typename Value, typename Arg>
    void follow(void (TVK_Logic_Controller::*signal)(Arg), Value State::*field);

    QPointer<TVK_Logic_Controller> m_controller;
    State m_state;
};
