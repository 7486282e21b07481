#pragma once

#include "TVK_Emulator_Component.h"

#include <functional>

// The camera's device properties: a value and a DevicePropDesc for each
// property the product lists, answering GetDevicePropDesc, GetDevicePropValue
// and SetDevicePropValue. A valid write is stored and reported back through
// the property-changed event after a short delay, as a camera does.
//
// Shutter time and aperture are written under codes of their own (0xD03B,
// 0xD03C) and read under others (0xD60C, 0xD60E): both codes of a pair share
// one value, and the change is reported under the code that is read.
class TVK_Emulator_PropertyStore : public TVK_Emulator_Component
{
public:
    // Called, under the camera's state lock, whenever a stored value changes:
    // by a host write or by the camera itself. code is the code the value is
    // read under.
    using ChangeListener = std::function<void(int code, qint64 value)>;

    explicit TVK_Emulator_PropertyStore(TVK_Emulator_Camera *camera);
    ~TVK_Emulator_PropertyStore() override;

    bool handleTransaction(TVK_Emulator_Transaction &transaction) override;
    bool querySetting(int which, qint64 *value) const override;

    bool has(int code) const;
    // The value as its data type reads it (signed types negative when they
    // are); 0 for a property the product does not have.
    qint64 value(int code) const;
    // A value the camera changes by itself (bulb seconds, live-view mode, ...);
    // it is stored whatever the property's form says. With report, a change
    // is raised at once as the camera would raise it; an unchanged value is
    // not reported.
    void setValue(int code, qint64 value, bool report = true);

    // Whether the property's form allows value.
    bool allows(int code, qint64 value) const;
    void addChangeListener(ChangeListener listener);

private:
    struct Private;
    Private *d;
};
