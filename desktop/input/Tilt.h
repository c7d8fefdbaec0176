// Tilt control: the quarter turns a sample of the accelerometer asks for, by four independent
// tests on its x and y in g.
#pragma once

struct TiltTurns {
    bool left = false, right = false, up = false, down = false;
};

TiltTurns tiltTurns(double x, double y);
