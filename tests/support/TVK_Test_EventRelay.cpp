#include "TVK_Test_EventRelay.h"

#include "TVK_Commu_CameraAccess_Base.h"

TVK_Test_EventRelay::TVK_Test_EventRelay(TVK_Commu_CameraAccess_Base *access, QObject *parent)
    : QObject(parent)
{
    using B = TVK_Commu_CameraAccess_Base;
    using R = TVK_Test_EventRelay;
    // Queued even where sender and relay share a thread, so that every signal
    // arrives the same way whichever thread raised it.
    connect(access, &B::signalSettingsChanged, this, &R::settingsChanged, Qt::QueuedConnection);
    connect(access, &B::signalLensChanged, this, &R::lensChanged, Qt::QueuedConnection);
    connect(access, &B::signal3DAxisDataChanged, this, &R::axisChanged, Qt::QueuedConnection);
    connect(access, &B::signalGeotackingChanged, this, &R::geotaggingChanged, Qt::QueuedConnection);
    connect(access, &B::signalBulbCounter, this, &R::bulbCounter, Qt::QueuedConnection);
    connect(access, &B::signalSelfTimerCounter, this, &R::selfTimerCounter, Qt::QueuedConnection);
    connect(access, &B::signalTransferRequest, this, &R::transferRequest, Qt::QueuedConnection);
    connect(access, &B::signalConnectionClosed, this, &R::connectionClosed, Qt::QueuedConnection);
}
