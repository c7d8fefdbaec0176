// The scene's draws as a list: the modelview is built on the CPU the way GL builds it (so the
// pictures match GL's own matrix calls), each draw gets the box of pixels it can touch, and two
// frames' lists compare draw by draw.
#include "render/DrawList.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr double kPi = 3.14159265358979323846;

void identity(GLfloat m[16]) {
    for (int i = 0; i < 16; ++i)
        m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
}

// Column-major a = a * b.
void multiply(GLfloat a[16], const GLfloat b[16]) {
    GLfloat out[16];
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col)
            out[col * 4 + row] = a[row] * b[col * 4] + a[4 + row] * b[col * 4 + 1] +
                                 a[8 + row] * b[col * 4 + 2] + a[12 + row] * b[col * 4 + 3];
    std::memcpy(a, out, sizeof out);
}

} // namespace

void PixelBox::add(const PixelBox& o) {
    if (o.empty()) return;
    if (empty()) {
        *this = o;
        return;
    }
    x0 = std::min(x0, o.x0);
    y0 = std::min(y0, o.y0);
    x1 = std::max(x1, o.x1);
    y1 = std::max(y1, o.y1);
}

void DrawList::begin() {
    items_.clear();
    glGetFloatv(GL_PROJECTION_MATRIX, projection_);
    glGetIntegerv(GL_VIEWPORT, viewport_);
    depth_ = 0;
    identity(stack_[0]);
    glGetFloatv(GL_CURRENT_COLOR, rgba_); // the draws go on from the context's colour
    texture_ = 0;
    recorded_ = true;
}

void DrawList::pushMatrix() {
    if (depth_ + 1 >= 8) return; // the scene nests two deep
    std::memcpy(stack_[depth_ + 1], stack_[depth_], sizeof stack_[0]);
    ++depth_;
}

void DrawList::popMatrix() {
    if (depth_ > 0) --depth_;
}

void DrawList::translate(float x, float y, float z) {
    GLfloat* m = stack_[depth_];
    for (int r = 0; r < 4; ++r)
        m[12 + r] = m[r] * x + m[4 + r] * y + m[8 + r] * z + m[12 + r];
}

void DrawList::scale(float x, float y, float z) {
    GLfloat* m = stack_[depth_];
    for (int r = 0; r < 4; ++r) {
        m[r] *= x;
        m[4 + r] *= y;
        m[8 + r] *= z;
    }
}

void DrawList::rotate(float degrees, float x, float y, float z) {
    const auto radians = static_cast<GLfloat>(degrees * kPi / 180.0);
    const GLfloat s = std::sin(radians);
    const GLfloat c = std::cos(radians);
    GLfloat r[16];
    identity(r);
    // The scene turns only about the axes; r[col * 4 + row].
    if (x == 0.0f && y == 0.0f && z != 0.0f) {
        r[0] = r[5] = c;
        r[4] = z < 0.0f ? s : -s;
        r[1] = -r[4];
    } else if (x == 0.0f && z == 0.0f && y != 0.0f) {
        r[0] = r[10] = c;
        r[8] = y < 0.0f ? -s : s;
        r[2] = -r[8];
    } else if (y == 0.0f && z == 0.0f && x != 0.0f) {
        r[5] = r[10] = c;
        r[9] = x < 0.0f ? s : -s;
        r[6] = -r[9];
    } else {
        const double len = std::sqrt(double(x) * x + double(y) * y + double(z) * z);
        if (len == 0.0) return;
        const auto ux = static_cast<GLfloat>(x / len);
        const auto uy = static_cast<GLfloat>(y / len);
        const auto uz = static_cast<GLfloat>(z / len);
        const GLfloat t = 1.0f - c;
        r[0] = ux * ux * t + c;
        r[4] = ux * uy * t - uz * s;
        r[8] = ux * uz * t + uy * s;
        r[1] = uy * ux * t + uz * s;
        r[5] = uy * uy * t + c;
        r[9] = uy * uz * t - ux * s;
        r[2] = ux * uz * t - uy * s;
        r[6] = uy * uz * t + ux * s;
        r[10] = uz * uz * t + c;
    }
    multiply(stack_[depth_], r);
}

void DrawList::modelview(GLfloat out[16]) const {
    std::memcpy(out, stack_[depth_], sizeof stack_[0]);
}

void DrawList::color(float r, float g, float b, float a) {
    rgba_[0] = r;
    rgba_[1] = g;
    rgba_[2] = b;
    rgba_[3] = a;
}

void DrawList::texture(GLuint name) {
    texture_ = name;
}

PixelBox DrawList::viewport() const {
    return {viewport_[0], viewport_[1], viewport_[0] + viewport_[2], viewport_[1] + viewport_[3]};
}

// The pixels whose centres the vertices' hull can cover, with a pixel to spare for rounding.
PixelBox DrawList::boxOf(const GLfloat* verts, int count) const {
    const GLfloat* m = stack_[depth_];
    double lo[2] = {1e30, 1e30};
    double hi[2] = {-1e30, -1e30};
    for (int i = 0; i < count; ++i) {
        const GLfloat* v = verts + 3 * i;
        double eye[4];
        for (int r = 0; r < 4; ++r)
            eye[r] = double(m[r]) * v[0] + double(m[4 + r]) * v[1] + double(m[8 + r]) * v[2] +
                     double(m[12 + r]);
        double clip[4];
        for (int r = 0; r < 4; ++r)
            clip[r] = projection_[r] * eye[0] + projection_[4 + r] * eye[1] +
                      projection_[8 + r] * eye[2] + projection_[12 + r] * eye[3];
        if (!(clip[3] > 1e-6)) return viewport(); // through the eye's plane: anywhere
        for (int k = 0; k < 2; ++k) {
            const double w = viewport_[k] + viewport_[2 + k] * (clip[k] / clip[3] + 1.0) * 0.5;
            lo[k] = std::min(lo[k], w);
            hi[k] = std::max(hi[k], w);
        }
    }
    const PixelBox all = viewport();
    PixelBox b;
    b.x0 = static_cast<int>(std::max<double>(all.x0, std::floor(lo[0]) - 1));
    b.y0 = static_cast<int>(std::max<double>(all.y0, std::floor(lo[1]) - 1));
    b.x1 = static_cast<int>(std::min<double>(all.x1, std::ceil(hi[0]) + 1));
    b.y1 = static_cast<int>(std::min<double>(all.y1, std::ceil(hi[1]) + 1));
    return b;
}

void DrawList::arrays(const GLfloat* verts, const GLfloat* texCoords, int count, GLenum mode) {
    Item item{};
    std::memcpy(item.matrix, stack_[depth_], sizeof item.matrix);
    std::memcpy(item.rgba, rgba_, sizeof item.rgba);
    item.texture = texture_;
    item.verts = verts;
    item.texCoords = texCoords;
    item.count = count;
    item.mode = mode;
    item.box = boxOf(verts, count);
    items_.push_back(item);
}

void DrawList::custom(CustomDraw drawIt, const float params[kCustomParams], const PixelBox& box) {
    Item item{};
    item.customDraw = drawIt;
    std::memcpy(item.params, params, sizeof item.params);
    item.box = box;
    items_.push_back(item);
}

bool DrawList::same(const Item& a, const Item& b) {
    if (a.customDraw != b.customDraw) return false;
    if (a.customDraw) return std::memcmp(a.params, b.params, sizeof a.params) == 0;
    return a.texture == b.texture && a.verts == b.verts && a.texCoords == b.texCoords &&
           a.count == b.count && a.mode == b.mode &&
           std::memcmp(a.rgba, b.rgba, sizeof a.rgba) == 0 &&
           std::memcmp(a.matrix, b.matrix, sizeof a.matrix) == 0;
}

void DrawList::draw(const PixelBox& clip) const {
    glMatrixMode(GL_MODELVIEW);
    const GLfloat* boundVerts = nullptr;
    const GLfloat* boundTexCoords = nullptr;
    GLuint boundTexture = 0;
    bool textureKnown = false;
    GLuint boundBuffer = 0;
    bool bufferKnown = false;
    const auto bindBuffer = [&](GLuint buffer) {
        if (bufferKnown && buffer == boundBuffer) return;
        glBindBuffer(GL_ARRAY_BUFFER, buffer);
        boundBuffer = buffer;
        bufferKnown = true;
    };
    // Where GL finds an array: in the buffer object, or in client memory.
    const auto source = [&](const GLfloat* array) -> const void* {
        const GLintptr offset = arrayBuffer_ && offsetOf_ ? offsetOf_(array) : -1;
        bindBuffer(offset >= 0 ? arrayBuffer_ : 0);
        return offset >= 0 ? reinterpret_cast<const void*>(offset) : array;
    };
    for (const Item& item : items_) {
        if (!item.box.overlaps(clip)) continue;
        if (item.customDraw) {
            glLoadIdentity();
            bindBuffer(0); // its arrays are its own
            item.customDraw(item.params);
            boundVerts = boundTexCoords = nullptr; // it may point the arrays elsewhere
            bufferKnown = false;
            continue;
        }
        glLoadMatrixf(item.matrix);
        glColor4f(item.rgba[0], item.rgba[1], item.rgba[2], item.rgba[3]);
        if (!textureKnown || item.texture != boundTexture) {
            glBindTexture(GL_TEXTURE_2D, item.texture);
            boundTexture = item.texture;
            textureKnown = true;
        }
        if (item.verts != boundVerts) glVertexPointer(3, GL_FLOAT, 0, source(item.verts));
        if (item.texCoords != boundTexCoords)
            glTexCoordPointer(2, GL_FLOAT, 0, source(item.texCoords));
        boundVerts = item.verts;
        boundTexCoords = item.texCoords;
        glDrawArrays(item.mode, 0, item.count);
    }
    glLoadIdentity();
    if (!bufferKnown || boundBuffer != 0) glBindBuffer(GL_ARRAY_BUFFER, 0);
}

namespace {

// Adds `box` to the damage, merging boxes that overlap so that no pixel is drawn twice, and
// merging the closest pair when there are too many.
void addDamage(PixelBox out[], int* count, PixelBox box) {
    if (box.empty()) return;
    for (bool merged = true; merged;) {
        merged = false;
        for (int i = 0; i < *count; ++i) {
            if (!out[i].overlaps(box)) continue;
            box.add(out[i]);
            out[i] = out[--*count];
            merged = true;
            break;
        }
    }
    if (*count < DrawList::kMaxDamageBoxes) {
        out[(*count)++] = box;
        return;
    }
    int best = 0;
    long bestGrowth = -1;
    for (int i = 0; i < *count; ++i) {
        PixelBox u = out[i];
        u.add(box);
        const long growth = u.area() - out[i].area();
        if (bestGrowth < 0 || growth < bestGrowth) {
            bestGrowth = growth;
            best = i;
        }
    }
    box.add(out[best]);
    out[best] = out[--*count];
    addDamage(out, count, box);
}

} // namespace

bool DrawList::damage(const DrawList& before, PixelBox out[kMaxDamageBoxes], int* count) const {
    *count = 0;
    if (!before.recorded_ || !recorded_ ||
        std::memcmp(projection_, before.projection_, sizeof projection_) != 0 ||
        std::memcmp(viewport_, before.viewport_, sizeof viewport_) != 0)
        return false;
    // The two lists are matched in order; a draw added to this frame (a burst's cloud) or gone
    // from it (a bubble that popped) is stepped over, so that the draws after it still match.
    // Pixels that no unmatched draw touches get the same draws in the same order as before.
    constexpr std::size_t kLookAhead = 4;
    const std::vector<Item>& now = items_;
    const std::vector<Item>& then = before.items_;
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < now.size() && j < then.size()) {
        if (same(now[i], then[j])) {
            ++i;
            ++j;
            continue;
        }
        std::size_t added = 0;
        std::size_t gone = 0;
        for (std::size_t k = 1; k <= kLookAhead && !added && !gone; ++k) {
            if (i + k < now.size() && same(now[i + k], then[j]))
                added = k;
            else if (j + k < then.size() && same(now[i], then[j + k]))
                gone = k;
        }
        if (!added && !gone) added = gone = 1; // one draw changed
        for (std::size_t k = 0; k < added; ++k)
            addDamage(out, count, now[i++].box);
        for (std::size_t k = 0; k < gone; ++k)
            addDamage(out, count, then[j++].box);
    }
    for (; i < now.size(); ++i)
        addDamage(out, count, now[i].box);
    for (; j < then.size(); ++j)
        addDamage(out, count, then[j].box);
    return true;
}
