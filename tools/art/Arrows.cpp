// The four arrow icons of the toolbar: a white arrow with a dark edge and a soft drop shadow,
// readable on a grey bar button. Pure arithmetic, no I/O.
#include "Art.h"
#include "Shape.h"

namespace art {

namespace {

// The right-pointing arrow, 32 × 32 pixels; the others are its mirror and rotations.
double rightArrowDistance(Vec2 p) {
    static const std::vector<Vec2> outline = {{6.0, 13.2},  {16.0, 13.2}, {16.0, 7.5}, {26.5, 16.0},
                                              {16.0, 24.5}, {16.0, 18.8}, {6.0, 18.8}};
    return sdPolygon(p, outline) - 1.2; // rounds the corners
}

double arrowDistance(Arrow direction, Vec2 p) {
    switch (direction) {
    case Arrow::Right:
        return rightArrowDistance(p);
    case Arrow::Left:
        return rightArrowDistance({32.0 - p.x, p.y});
    case Arrow::Up:
        return rightArrowDistance({32.0 - p.y, p.x});
    case Arrow::Down:
        break;
    }
    return rightArrowDistance({p.y, p.x});
}

} // namespace

Canvas paintArrow(Arrow direction, int scale) {
    return paintScaled(32, 32, 8, scale, [direction](double x, double y) {
        const Vec2 p{x, y};
        const double d = arrowDistance(direction, p);
        const double shadowD = arrowDistance(direction, p - Vec2{0.0, 1.2});
        const Rgba shadow =
            premul(Rgb{0.0, 0.0, 0.0}, 0.45 * (1.0 - smoothstep(0.0, 2.6, shadowD)));
        if (d > 1.4) return shadow;
        if (d > 0.0) return over(premul(Rgb{0.12, 0.13, 0.15}, 0.85), shadow);
        const double t = smoothstep(6.0, 26.0, y);
        return premul(Rgb{mix(1.0, 0.84, t), mix(1.0, 0.86, t), mix(1.0, 0.90, t)}, 1.0);
    });
}

} // namespace art
