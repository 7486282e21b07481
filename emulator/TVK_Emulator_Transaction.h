#pragma once

#include "TVK_Emulator_DataSource.h"

#include <QByteArray>
#include <QVector>
#include <QtGlobal>

// One PTP transaction as the emulated camera sees it: what the host sent, and
// what the camera answers.
struct TVK_Emulator_Transaction {
    enum eLEDataPhase { kLENoData, kLEDataIn, kLEDataOut };

    int operationCode = 0;
    QVector<quint32> params;
    eLEDataPhase dataPhase = kLENoData;
    QByteArray dataOut;          // the host's data phase (kLEDataOut)

    int responseCode = 0x2001;   // the camera's answer
    QByteArray dataIn;           // the camera's data phase (kLEDataIn), when small
    // The same for an answer made as it is read (a picture): when set, it is
    // the phase and dataIn is not looked at.
    TVK_Emulator_DataSource dataInSource;
    QVector<quint32> responseParams; // what the response carries besides its code

    quint32 param(int index) const { return index < params.size() ? params.at(index) : 0; }
    // The data-in phase, whichever way it was given.
    TVK_Emulator_DataSource dataInPhase() const
    {
        return dataInSource.isEmpty() ? TVK_Emulator_DataSource(dataIn) : dataInSource;
    }
    void fail(int code)
    {
        responseCode = code;
        dataIn.clear();
        dataInSource = TVK_Emulator_DataSource();
        responseParams.clear();
    }
};

// What the camera is asked to do, whichever operation carried the request: the
// release operation with a stage number, or one of the older single-purpose
// operations.
struct TVK_Emulator_Action {
    enum eLEKind {
        kLENone,
        kLERelease,
        kLEAutoFocusOn,        // value: autofocus mode (legacy) or -1 (from the release stage)
        kLEAutoFocusOff,
        kLEBulbStart,
        kLEBulbEnd,
        kLELensStep,           // value: signed step, positive one way, negative the other
        kLELensPosition,       // value: absolute focus position
        kLEContinuousStart,
        kLEContinuousEnd,
        kLEKeepAlive,
        kLEVideoStart,
        kLEVideoStop,
        kLELiveViewOn,         // value: 0 photo, 1 video
        kLELiveViewOff,        // value: 0 photo, 1 video
        kLEToggleZoom,
        kLEFocusCross,         // value, value2: x, y
        kLELiveViewWhiteBalance // value: mode 0..3
    };
    eLEKind kind = kLENone;
    qint64 value = 0;
    qint64 value2 = 0;
};
