#pragma once

#include "TVK_Commu_ProductTraits.h"

#include <QString>
#include <QStringList>

// Where the program looks for its camera: real USB cameras (the default), the
// built-in simulated camera, or an emulated camera of one product. Chosen on
// the command line with --camera=usb, --camera=simulated or
// --camera=emulated[:0xPRODUCT].
class TVK_Commu_CameraSource
{
public:
    enum eLEKind { kLEUsb, kLESimulated, kLEEmulated };

    static constexpr int kDefaultEmulatedProduct = TVK_Commu_ProductTraits::kLEVelia;

    eLEKind kind() const { return m_kind; }
    int emulatedProduct() const { return m_emulatedProduct; }
    // The connection type the source's camera access reports. Whatever it is,
    // the access stands in the controller's USB slot.
    int connectionType() const;
    QString description() const;

    // Reads the --camera option from the program's arguments; without it the
    // source is USB. False with a reason for a value it does not understand.
    static bool fromArguments(const QStringList &arguments, TVK_Commu_CameraSource *source, QString *error);

private:
    eLEKind m_kind = kLEUsb;
    int m_emulatedProduct = kDefaultEmulatedProduct;
};
