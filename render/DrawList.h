// One frame of the scene as a list of draws, kept so that the next frame can redraw only the
// pixels that changed: each draw remembers its modelview, colour, texture and arrays, and the
// box of pixels it can touch. The matrix calls build the modelview as GL's own would.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gl/GLExtensions.h"

// Viewport pixels x0 <= x < x1, y0 <= y < y1, origin bottom-left.
struct PixelBox {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;

    bool empty() const { return x1 <= x0 || y1 <= y0; }
    bool overlaps(const PixelBox& o) const {
        return x0 < o.x1 && o.x0 < x1 && y0 < o.y1 && o.y0 < y1;
    }
    void add(const PixelBox& o); // the smallest box holding both
    long area() const { return empty() ? 0 : static_cast<long>(x1 - x0) * (y1 - y0); }
};

class DrawList {
public:
    // A draw that is not an array of the list's kind: `params` decide its pixels and are what
    // two frames compare.
    using CustomDraw = void (*)(const float* params);
    static constexpr int kCustomParams = 6;
    // Damage is kept as at most this many boxes; more merge into one another.
    static constexpr int kMaxDamageBoxes = 12;

    // Empties the list (its storage stays) and reads the camera: the current projection matrix
    // and viewport. The modelview starts as the identity, the colour as the context's.
    void begin();

    void pushMatrix();
    void popMatrix();
    void translate(float x, float y, float z);
    void scale(float x, float y, float z);
    void rotate(float degrees, float x, float y, float z);

    // The current modelview, column by column, as glGetFloatv would give GL's.
    void modelview(GLfloat out[16]) const;

    void color(float r, float g, float b, float a);
    void texture(GLuint name);
    // A triangle strip (or fan) of `count` vertices from 3-float vertex and 2-float texture
    // arrays that outlive the list, with the current matrix, colour and texture.
    void arrays(const GLfloat* verts, const GLfloat* texCoords, int count,
                GLenum mode = GL_TRIANGLE_STRIP);
    // A draw of its own within `box`, called with the GL state the arrays leave.
    void custom(CustomDraw drawIt, const float params[kCustomParams], const PixelBox& box);

    // Issues every draw that touches `clip`, in order. Expects the scene's GL state with the
    // modelview selected, and leaves the modelview the identity and no array buffer bound.
    void draw(const PixelBox& clip) const;

    // Arrays that `offsetOf` finds (an offset >= 0) are drawn from `buffer`, a buffer object of
    // the context the list draws in that holds them, instead of being copied at every draw.
    using ArrayOffset = GLintptr (*)(const GLfloat* array);
    void setArrayBuffer(GLuint buffer, ArrayOffset offsetOf) {
        arrayBuffer_ = buffer;
        offsetOf_ = offsetOf;
    }

    // The boxes whose pixels differ between the frame `before` showed and this one; false when
    // everything must be drawn (another camera, or no frame before).
    bool damage(const DrawList& before, PixelBox out[kMaxDamageBoxes], int* count) const;

    PixelBox viewport() const;
    int size() const { return static_cast<int>(items_.size()); }
    bool recorded() const { return recorded_; }

private:
    GLuint arrayBuffer_ = 0;
    ArrayOffset offsetOf_ = nullptr;

    struct Item {
        GLfloat matrix[16];
        GLfloat rgba[4];
        GLuint texture;
        const GLfloat* verts;
        const GLfloat* texCoords;
        int count;
        GLenum mode;
        CustomDraw customDraw;
        float params[kCustomParams];
        PixelBox box;
    };
    static bool same(const Item& a, const Item& b);
    PixelBox boxOf(const GLfloat* verts, int count) const;

    std::vector<Item> items_;
    GLfloat projection_[16] = {};
    GLint viewport_[4] = {};
    GLfloat stack_[8][16] = {};
    int depth_ = 0;
    GLfloat rgba_[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    GLuint texture_ = 0;
    bool recorded_ = false;
};
