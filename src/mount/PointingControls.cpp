// SPDX-License-Identifier: GPL-3.0-or-later
#include "PointingControls.h"

#include "MountLink.h"

void pointMount(PointingControls& controls, MountLink& mount, qint16 pan, qint16 tilt)
{
    controls.showPosition(pan, tilt);
    mount.SendPan(pan);
    mount.SendTilt(tilt);
}
