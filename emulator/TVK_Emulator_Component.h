#pragma once

#include "TVK_Emulator_Transaction.h"

class TVK_Emulator_Camera;

// A part of the emulated camera (properties, settings record, vendor records,
// capture, live view). The camera offers each transaction and each decoded
// action to its components in turn; the first that takes it answers.
// Components are called with the camera's state lock held, from any thread,
// and from the camera's own thread for scheduled work.
class TVK_Emulator_Component
{
public:
    explicit TVK_Emulator_Component(TVK_Emulator_Camera *camera)
        : m_camera(camera)
    {
    }
    virtual ~TVK_Emulator_Component() = default;

    TVK_Emulator_Component(const TVK_Emulator_Component &) = delete;
    TVK_Emulator_Component &operator=(const TVK_Emulator_Component &) = delete;

    // Answers transaction when it belongs to this component; false otherwise.
    virtual bool handleTransaction(TVK_Emulator_Transaction &transaction) = 0;
    // Carries out a release-stage action; false when it is not this component's.
    // responseCode receives the camera's answer.
    virtual bool handleAction(const TVK_Emulator_Action &action, int *responseCode)
    {
        Q_UNUSED(action)
        Q_UNUSED(responseCode)
        return false;
    }

    // The current value of a normalised camera setting (see
    // TVK_Emulator_Camera::eLESetting) when this component keeps it.
    virtual bool querySetting(int which, qint64 *value) const
    {
        Q_UNUSED(which)
        Q_UNUSED(value)
        return false;
    }

protected:
    TVK_Emulator_Camera *camera() const { return m_camera; }

private:
    TVK_Emulator_Camera *m_camera;
};
