#include "desktop/input/Tilt.h"

namespace {

// In g; up and down are deliberately not symmetric.
constexpr double kTiltRight = 0.65;
constexpr double kTiltLeft = -0.65;
constexpr double kTiltUp = 0.2;
constexpr double kTiltDown = -0.8;

} // namespace

TiltTurns tiltTurns(double x, double y) {
    return {x <= kTiltLeft, x >= kTiltRight, y >= kTiltUp, y <= kTiltDown};
}
