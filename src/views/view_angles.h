#pragma once

namespace drawfield {

// View angles in degrees: turns of the surface about its X, Y and Z axes, applied after a fixed
// oblique view. All zero looks at the map from the south-east, 30 degrees above the horizon: the
// corner of the X maximum and the Y minimum is nearest, X runs to the right along the front.
struct ViewAngles {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    bool operator==(const ViewAngles&) const = default;
};

} // namespace drawfield
