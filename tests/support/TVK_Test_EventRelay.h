#pragma once

#include <QObject>

class TVK_Commu_CameraAccess_Base;

// Brings the signals an access raises on the thread that delivers camera
// events into the relay's own thread, so that a QSignalSpy or a test's
// counters there never race the emitting thread.
//
// The relay must outlive the event source: close or destroy the access (which
// stops the delivery) before the relay goes. Qt 5 can lose track of a queued
// emission that meets a receiver in the middle of its destruction, and the
// slot object it held then leaks.
class TVK_Test_EventRelay : public QObject
{
    Q_OBJECT

public:
    explicit TVK_Test_EventRelay(TVK_Commu_CameraAccess_Base *access, QObject *parent = nullptr);

Q_SIGNALS:
    void settingsChanged();
    void lensChanged();
    void axisChanged();
    void geotaggingChanged();
    void bulbCounter(int count);
    void selfTimerCounter(int count);
    void transferRequest();
    void connectionClosed(int connectionType);
};
