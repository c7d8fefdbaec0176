// The drawable layer stand-in and the window's compositor. A layer shows, at its place in the
// window, the last picture a context presented into it; the compositor draws the shown layers and
// any extra window drawing in z-order. Uses GL (in the .cpp); no SDL, nothing game-specific.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/base/Geometry.h"

class GLContext;

enum class GLColorFormat { RGBA8 };

struct GLDrawableProperties {
    bool retainedBacking = false;
    GLColorFormat colorFormat = GLColorFormat::RGBA8;
};

// Owned by its view, which keeps its geometry in step. Main thread only.
class GLLayer {
public:
    GLLayer();
    ~GLLayer();
    GLLayer(const GLLayer&) = delete;
    GLLayer& operator=(const GLLayer&) = delete;

    // Bounds in points; the drawable's size in pixels is bounds x content scale, each side
    // rounded half away from zero.
    const Rect& bounds() const { return bounds_; }
    void setBounds(const Rect& bounds) { bounds_ = bounds; }
    float contentScale() const { return contentScale_; }
    void setContentScale(float scale) { contentScale_ = scale; }
    Size pixelSize() const;

    // Recorded for the context: storage is always RGBA8 and presenting never disturbs the render
    // buffer, so every backing is in effect retained.
    const GLDrawableProperties& drawableProperties() const { return properties_; }
    void setDrawableProperties(const GLDrawableProperties& p) { properties_ = p; }

    // Where the layer shows, in window points (origin top-left), and whether it shows at all.
    const Rect& windowFrame() const { return windowFrame_; }
    void setWindowFrame(const Rect& frame) { windowFrame_ = frame; }
    bool isHidden() const { return hidden_; }
    void setHidden(bool hidden) { hidden_ = hidden; }
    // Higher is drawn later (on top); equal ones in the order they were made or added.
    float zPosition() const { return zPosition_; }
    void setZPosition(float z);

    // True once a picture has been presented into the layer's current storage.
    bool hasContents() const { return presented_; }
    // True where the render buffer's storage is the picture the window composes (drawing goes
    // straight into it, and presenting copies nothing).
    bool drawsIntoPicture() const { return storageIsTexture_; }

private:
    friend class GLContext;
    friend struct WindowCompositor;
    friend bool windowPresentLayerChange(const GLLayer& layer, const Rect& changed);
    friend bool windowPresentLayerChanges(const GLLayer& layer, const Rect* changed, int count);
    // The same for several changed parts of the picture, called right after the picture changed.
    // Where pictures reach the window through its framebuffer and the picture lies on the window's
    // pixels one for one, parts that nothing above the layer draws over go from the picture
    // straight to the window, with nothing composed.
    bool windowPresentLayerChanges(const GLLayer& layer, const Rect* changed, int count);
    static GLLayer* backedBy(const GLContext* context, std::uint32_t renderbuffer);
    static void forEachBackedBy(GLContext* context, void (*fn)(GLLayer*, GLContext*));
    void dropBacking(); // forgets storage and picture; deletes nothing

    Rect bounds_;
    float contentScale_ = 1.0f;
    GLDrawableProperties properties_;
    Rect windowFrame_;
    bool hidden_ = false;
    float zPosition_ = 0.0f;

    // The storage a context gave it and the texture that holds the last presented picture
    // (the picture's size where the driver takes any size, else a power of two in each side,
    // the picture in its bottom-left corner). Where the driver can, the render buffer's storage
    // is the texture itself.
    GLContext* backingContext_ = nullptr;
    std::uint32_t backingRenderbuffer_ = 0;
    std::uint32_t backingWindowId_ = 0; // the screen whose objects hold the picture
    int pixelWidth_ = 0;
    int pixelHeight_ = 0;
    std::uint32_t texture_ = 0;
    int textureWidth_ = 0;
    int textureHeight_ = 0;
    bool presented_ = false;
    bool storageIsTexture_ = false; // the render buffer draws straight into texture_
};

// ---- The window's compositor ----

// Extra drawing into the window (bars, buttons...), run while composing in the compositor's own
// context, which shares textures with every GLContext. Each drawing starts with: the window's
// frame buffer bound, the viewport on the whole window, a projection in window points (origin
// top-left, y downward), modelview identity, colour white, GL_VERTEX_ARRAY enabled, the other
// client arrays, texturing, blending, alpha test, depth test and scissor off. Those are reset
// after it; anything else it changes it restores.
using WindowDrawing = std::function<void()>;
// Whether a drawing may draw into a part of the window (window points, origin top-left). A drawing
// without one may draw anywhere.
using WindowDrawingArea = std::function<bool(const Rect& part)>;

// Returns an id (> 0) for windowRemoveDrawing. Stacks with the layers by z, ties by order added.
int windowAddDrawing(float zPosition, WindowDrawing draw, WindowDrawingArea area = {});
void windowRemoveDrawing(int id);

// Run at the start of every composition, before anything is drawn; unlike a drawing it may add,
// remove and re-stack layers and drawings (a window stacks its views here). Returns an id (> 0).
int windowAddWillCompose(std::function<void()> fn);
void windowRemoveWillCompose(int id); // not from inside a hook

// Draws the window's background (black), then every shown layer with contents and every drawing
// in z-order into the window's back buffer. False when no screen is open or the compositor's
// context cannot be made. The current context is given back.
bool windowCompose();
// windowCompose(), then shows the back buffer.
bool windowPresent();
// windowPresent() when only the pixels `changed` of `layer`'s picture (from its bottom-left) have
// changed since the window was last shown: where the window can show a part, only the window's
// pixels under them are composed and shown.
bool windowPresentLayerChange(const GLLayer& layer, const Rect& changed);
// The same for several changed parts of the picture, called right after the picture changed.
// Where pictures reach the window through its framebuffer and the picture lies on the window's
// pixels one for one, parts that nothing above the layer draws over go from the picture straight
// to the window, with nothing composed.
bool windowPresentLayerChanges(const GLLayer& layer, const Rect* changed, int count);
// windowPresent() when only drawings under `area` (window points, origin top-left) have changed
// since the window was last shown: where the window can show a part, only the window's pixels
// under it are composed and shown, and no layer is drawn anew.
bool windowPresentArea(const Rect& area);
// The window's pixels (from the bottom-left) that the last composition drew, and how many
// compositions there have been: what tests and benchmarks read to tell what a change cost.
struct WindowComposition {
    int x = 0, y = 0, width = 0, height = 0;
    std::uint64_t count = 0;
    bool straight = false; // shown straight from a layer's picture, with nothing composed
};
WindowComposition windowLastComposition();
// The window's back buffer as RGBA rows, top row first: call after windowCompose(), before
// anything swaps (it composes the window first where pictures went to the window without it).
// False when no screen is open.
bool windowReadPixels(std::vector<std::uint8_t>& rgba, int& width, int& height);
