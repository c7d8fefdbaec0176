// Layers and the window's compositor: one list of layers and extra drawings in z-order, drawn
// into the window with the screen's own context (every context shares its textures; a context
// of the compositor's own would cost the renderer several megabytes). No SDL here.
#include "platform/gl/GLLayer.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>

#include "platform/gl/GLExtensions.h"
#include "platform/gl/GLStateSnapshot.h"
#include "platform/gl/Screen.h"

struct WindowCompositor {
    struct Item {
        float z;
        std::uint64_t order;
        GLLayer* layer; // a layer, or else
        int id;         // a drawing
        WindowDrawing drawing;
        WindowDrawingArea area; // where the drawing may draw; empty: anywhere
    };
    struct State {
        std::vector<Item> items; // kept sorted by (z, order)
        std::uint64_t nextOrder = 1;
        int nextId = 1;
        std::vector<std::pair<int, std::function<void()>>> willCompose;
        int shownWidth = 0, shownHeight = 0; // the drawable's size when last shown whole
        WindowComposition last;
        // Parts went from a layer's picture straight to the window since the back buffer was
        // last composed whole: there the back buffer is behind what the window shows.
        bool backBufferBehind = false;
        std::uint32_t readFramebuffer = 0;       // the screen's, to read layers' pictures through
        std::uint32_t readFramebufferWindow = 0; // the screen it was made on
    };

    // Never destroyed: layers and contexts may go away during static destruction.
    static State& state() {
        static auto* s = new State;
        return *s;
    }
    static void sort() {
        std::stable_sort(state().items.begin(), state().items.end(),
                         [](const Item& a, const Item& b) {
                             return a.z < b.z || (a.z == b.z && a.order < b.order);
                         });
    }
    static void add(Item item) {
        item.order = state().nextOrder++;
        state().items.push_back(std::move(item));
        sort();
    }
    static void runWillCompose() {
        for (const auto& hook : state().willCompose)
            hook.second();
    }
    static void resetState(int width, int height);
    static bool showStraight(const GLLayer& layer, std::vector<ScreenPart>& parts);
    static bool drawnOver(const GLLayer& layer, const std::vector<ScreenPart>& parts, int height);
    static void drawLayer(const GLLayer& layer);
    // part: window pixels from the bottom-left, or nullptr for the whole window.
    static bool compose(bool swap, const GLint* part = nullptr);
};

// ---- GLLayer ----

GLLayer::GLLayer() {
    WindowCompositor::add({0.0f, 0, this, 0, {}, {}});
}

GLLayer::~GLLayer() {
    // Every context shares its textures with the screen's own, which can delete the picture as
    // long as the screen it was made on is still open.
    if (texture_ && backingWindowId_ != 0 && backingWindowId_ == screenWindowId()) {
        const SavedGLContext saved;
        if (screenMakeDefaultCurrent()) glDeleteTextures(1, &texture_);
        saved.restore();
    }
    auto& items = WindowCompositor::state().items;
    items.erase(std::remove_if(items.begin(), items.end(),
                               [this](const WindowCompositor::Item& i) { return i.layer == this; }),
                items.end());
}

Size GLLayer::pixelSize() const {
    return {std::round(bounds_.size.width * contentScale_),
            std::round(bounds_.size.height * contentScale_)};
}

void GLLayer::setZPosition(float z) {
    zPosition_ = z;
    for (auto& item : WindowCompositor::state().items)
        if (item.layer == this) item.z = z;
    WindowCompositor::sort();
}

void GLLayer::dropBacking() {
    backingContext_ = nullptr;
    backingRenderbuffer_ = 0;
    backingWindowId_ = 0;
    pixelWidth_ = pixelHeight_ = 0;
    texture_ = 0;
    textureWidth_ = textureHeight_ = 0;
    presented_ = false;
    storageIsTexture_ = false;
}

GLLayer* GLLayer::backedBy(const GLContext* context, std::uint32_t renderbuffer) {
    for (const auto& item : WindowCompositor::state().items)
        if (item.layer && item.layer->backingContext_ == context &&
            item.layer->backingRenderbuffer_ == renderbuffer)
            return item.layer;
    return nullptr;
}

void GLLayer::forEachBackedBy(GLContext* context, void (*fn)(GLLayer*, GLContext*)) {
    for (const auto& item : WindowCompositor::state().items)
        if (item.layer && item.layer->backingContext_ == context) fn(item.layer, context);
}

// ---- The compositor ----

void WindowCompositor::resetState(int width, int height) {
    const float scale = windowContentScale();
    glBindFramebufferOES(GL_FRAMEBUFFER_OES, 0);
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrthof(0.0f, static_cast<float>(width) / scale, static_cast<float>(height) / scale, 0.0f,
             -1.0f, 1.0f);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glActiveTexture(GL_TEXTURE0);
    glClientActiveTexture(GL_TEXTURE0);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_CULL_FACE);
    glEnableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
}

void WindowCompositor::drawLayer(const GLLayer& layer) {
    if (layer.hidden_ || !layer.presented_ || !layer.texture_ ||
        layer.backingWindowId_ != screenWindowId())
        return;
    const Rect& f = layer.windowFrame_;
    const float x0 = f.origin.x;
    const float y0 = f.origin.y;
    const float x1 = x0 + f.size.width;
    const float y1 = y0 + f.size.height;
    const float s = static_cast<float>(layer.pixelWidth_) / static_cast<float>(layer.textureWidth_);
    const float t =
        static_cast<float>(layer.pixelHeight_) / static_cast<float>(layer.textureHeight_);
    // GL keeps the picture's bottom row first; the window's y runs downward.
    const GLfloat vertices[] = {x0, y0, x0, y1, x1, y0, x1, y1};
    const GLfloat texCoords[] = {0.0f, t, 0.0f, 0.0f, s, t, s, 0.0f};
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, layer.texture_);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE); // layers are opaque
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, vertices);
    glTexCoordPointer(2, GL_FLOAT, 0, texCoords);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
}

// Whether anything stacked above `layer` may draw into one of the window's `parts` (pixels from
// the bottom-left, in a window `height` pixels high).
bool WindowCompositor::drawnOver(const GLLayer& layer, const std::vector<ScreenPart>& parts,
                                 int height) {
    const float scale = windowContentScale();
    bool above = false;
    for (const Item& item : state().items) {
        if (item.layer == &layer) {
            above = true;
            continue;
        }
        if (!above) continue;
        for (const ScreenPart& p : parts) {
            const Rect points{
                {static_cast<float>(p.x) / scale,
                 static_cast<float>(height - p.y - p.height) / scale},
                {static_cast<float>(p.width) / scale, static_cast<float>(p.height) / scale}};
            if (item.layer) {
                const GLLayer& other = *item.layer;
                const Rect& f = other.windowFrame_;
                if (!other.hidden_ && other.presented_ && rectsOverlap(f, points)) return true;
            } else if (item.drawing && (!item.area || item.area(points))) {
                return true;
            }
        }
    }
    return !above;
}

// `parts` of `layer`'s picture (its pixels, from the bottom-left) read from the picture straight
// into the window: what composing them would show, where the picture lies on the window's pixels
// one for one (opaque, drawn without filtering) and nothing is drawn over them. Only where the
// window shows through its framebuffer and was shown whole at this size. False, with nothing
// shown, elsewhere.
bool WindowCompositor::showStraight(const GLLayer& layer, std::vector<ScreenPart>& parts) {
    int width = 0;
    int height = 0;
    screenDrawableSize(&width, &height);
    if (!screenShowsThroughFramebuffer() || state().shownWidth != width ||
        state().shownHeight != height || layer.hidden_ || !layer.presented_ || !layer.texture_ ||
        layer.backingWindowId_ != screenWindowId())
        return false;
    const float scale = windowContentScale();
    const Rect& f = layer.windowFrame_;
    const float left = f.origin.x * scale;
    const float bottom = static_cast<float>(height) - (f.origin.y + f.size.height) * scale;
    const int dx = static_cast<int>(left);
    const int dy = static_cast<int>(bottom);
    if (static_cast<float>(dx) != left || static_cast<float>(dy) != bottom ||
        f.size.width * scale != static_cast<float>(layer.pixelWidth_) ||
        f.size.height * scale != static_cast<float>(layer.pixelHeight_))
        return false;
    for (ScreenPart& p : parts) {
        p.x += dx;
        p.y += dy;
    }
    const auto giveBack = [&] {
        for (ScreenPart& p : parts) {
            p.x -= dx;
            p.y -= dy;
        }
        return false;
    };
    if (parts.empty()) return true;
    if (drawnOver(layer, parts, height)) return giveBack();

    const SavedGLContext saved;
    if (!screenMakeDefaultCurrent()) {
        saved.restore();
        return giveBack();
    }
    GLint oldFramebuffer = 0;
    GLint oldPackAlignment = 4;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &oldFramebuffer);
    glGetIntegerv(GL_PACK_ALIGNMENT, &oldPackAlignment);
    State& st = state();
    if (!st.readFramebuffer || st.readFramebufferWindow != screenWindowId()) {
        st.readFramebuffer = 0;
        glGenFramebuffersOES(1, &st.readFramebuffer);
        st.readFramebufferWindow = screenWindowId();
    }
    glBindFramebufferOES(GL_FRAMEBUFFER_OES, st.readFramebuffer);
    glFramebufferTexture2DOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_TEXTURE_2D,
                              layer.texture_, 0);
    const bool shown =
        glCheckFramebufferStatusOES(GL_FRAMEBUFFER_OES) == GL_FRAMEBUFFER_COMPLETE_OES &&
        screenShowPartsFrom(parts.data(), static_cast<int>(parts.size()), dx, dy);
    glFramebufferTexture2DOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_TEXTURE_2D, 0, 0);
    glBindFramebufferOES(GL_FRAMEBUFFER_OES, static_cast<GLuint>(oldFramebuffer));
    glPixelStorei(GL_PACK_ALIGNMENT, oldPackAlignment);
    saved.restore();
    if (!shown) return giveBack();

    int x0 = width, y0 = height, x1 = 0, y1 = 0;
    for (const ScreenPart& p : parts) {
        x0 = std::min(x0, p.x);
        y0 = std::min(y0, p.y);
        x1 = std::max(x1, p.x + p.width);
        y1 = std::max(y1, p.y + p.height);
    }
    st.last = {x0, y0, x1 - x0, y1 - y0, st.last.count + 1, true};
    st.backBufferBehind = true;
    return true;
}

bool WindowCompositor::compose(bool swap, const GLint* part) {
    if (!screenIsOpen()) return false;
    runWillCompose();
    const SavedGLContext saved;
    if (!screenMakeDefaultCurrent()) {
        saved.restore();
        return false;
    }
    // The screen's context may be a view's too: its state is given back as it was, and the
    // compositor draws from the state of a new context, whatever the view left.
    const GLStateSnapshot viewState = GLStateSnapshot::take();
    screenRestoreInitialState();
    if (swap) screenFollowWindowSize();
    int width = 0;
    int height = 0;
    screenDrawableSize(&width, &height);
    // A part only where the back buffer holds the last picture shown, at this size.
    GLint box[4] = {0, 0, width, height};
    const bool partial = part && swap && screenCanShowPart() && state().shownWidth == width &&
                         state().shownHeight == height;
    if (partial) {
        box[0] = std::clamp(part[0], 0, width);
        box[1] = std::clamp(part[1], 0, height);
        box[2] = std::clamp(part[0] + part[2], box[0], width) - box[0];
        box[3] = std::clamp(part[1] + part[3], box[1], height) - box[1];
    }
    const auto limit = [&] {
        if (!partial) return;
        glEnable(GL_SCISSOR_TEST);
        glScissor(box[0], box[1], box[2], box[3]);
    };
    state().last = {box[0], box[1], box[2], box[3], state().last.count + 1, false};
    resetState(width, height);
    limit();
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    // A drawing must not add or remove items while this runs.
    for (const Item& item : state().items) {
        if (item.layer)
            drawLayer(*item.layer);
        else if (item.drawing)
            item.drawing();
        resetState(width, height);
        limit();
    }
    glDisable(GL_SCISSOR_TEST);
    if (partial) {
        screenShowPart(box[0], box[1], box[2], box[3]);
    } else if (swap) {
        screenSwap();
        state().shownWidth = width;
        state().shownHeight = height;
    } else {
        glFlush();
    }
    if (!partial) state().backBufferBehind = false;
    viewState.restore();
    saved.restore();
    return true;
}

int windowAddDrawing(float zPosition, WindowDrawing draw, WindowDrawingArea area) {
    const int id = WindowCompositor::state().nextId++;
    WindowCompositor::add({zPosition, 0, nullptr, id, std::move(draw), std::move(area)});
    return id;
}

void windowRemoveDrawing(int id) {
    auto& items = WindowCompositor::state().items;
    items.erase(
        std::remove_if(items.begin(), items.end(),
                       [id](const WindowCompositor::Item& i) { return !i.layer && i.id == id; }),
        items.end());
}

int windowAddWillCompose(std::function<void()> fn) {
    const int id = WindowCompositor::state().nextId++;
    WindowCompositor::state().willCompose.emplace_back(id, std::move(fn));
    return id;
}

void windowRemoveWillCompose(int id) {
    auto& hooks = WindowCompositor::state().willCompose;
    hooks.erase(std::remove_if(hooks.begin(), hooks.end(),
                               [id](const auto& hook) { return hook.first == id; }),
                hooks.end());
}

bool windowCompose() {
    return WindowCompositor::compose(false);
}

bool windowPresent() {
    return WindowCompositor::compose(true);
}

namespace {

// Window points (origin top-left) to the window's pixels from the bottom-left, as the compositor
// takes a part. Two pixels more on each side cover what filtering and smoothed edges spill.
bool presentWindowArea(float left, float top, float right, float bottom) {
    int width = 0;
    int height = 0;
    screenDrawableSize(&width, &height);
    const float scale = windowContentScale();
    const float x0 = left * scale;
    const float x1 = right * scale;
    const float y0 = static_cast<float>(height) - bottom * scale;
    const float y1 = static_cast<float>(height) - top * scale;
    const GLint part[4] = {
        static_cast<GLint>(std::floor(x0)) - 2, static_cast<GLint>(std::floor(y0)) - 2,
        static_cast<GLint>(std::ceil(x1 - x0)) + 5, static_cast<GLint>(std::ceil(y1 - y0)) + 5};
    return WindowCompositor::compose(true, part);
}

} // namespace

bool windowPresentLayerChange(const GLLayer& layer, const Rect& changed) {
    if (layer.pixelWidth_ <= 0 || layer.pixelHeight_ <= 0) return windowPresent();
    // The layer's picture is stretched over its frame in points, bottom row at the frame's
    // bottom.
    const Rect& f = layer.windowFrame_;
    const float sx = f.size.width / static_cast<float>(layer.pixelWidth_);
    const float sy = f.size.height / static_cast<float>(layer.pixelHeight_);
    const float frameBottom = f.origin.y + f.size.height;
    return presentWindowArea(f.origin.x + changed.origin.x * sx,
                             frameBottom - (changed.origin.y + changed.size.height) * sy,
                             f.origin.x + (changed.origin.x + changed.size.width) * sx,
                             frameBottom - changed.origin.y * sy);
}

bool windowPresentLayerChanges(const GLLayer& layer, const Rect* changed, int count) {
    if (count <= 0) return screenIsOpen();
    Rect all = changed[0];
    for (int i = 1; i < count; ++i)
        all = rectUnion(all, changed[i]);
    if (screenShowsThroughFramebuffer() && layer.pixelWidth_ > 0 && layer.pixelHeight_ > 0) {
        WindowCompositor::runWillCompose();
        std::vector<ScreenPart> parts;
        parts.reserve(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) {
            const Rect& c = changed[i];
            const int x0 = std::max(0, static_cast<int>(std::floor(c.origin.x)));
            const int y0 = std::max(0, static_cast<int>(std::floor(c.origin.y)));
            const int x1 =
                std::min(layer.pixelWidth_, static_cast<int>(std::ceil(c.origin.x + c.size.width)));
            const int y1 = std::min(layer.pixelHeight_,
                                    static_cast<int>(std::ceil(c.origin.y + c.size.height)));
            if (x1 > x0 && y1 > y0) parts.push_back({x0, y0, x1 - x0, y1 - y0});
        }
        if (WindowCompositor::showStraight(layer, parts)) return true;
    }
    return windowPresentLayerChange(layer, all);
}

bool windowPresentArea(const Rect& area) {
    if (!(area.size.width > 0.0f && area.size.height > 0.0f)) return screenIsOpen();
    return presentWindowArea(area.origin.x, area.origin.y, area.origin.x + area.size.width,
                             area.origin.y + area.size.height);
}

WindowComposition windowLastComposition() {
    return WindowCompositor::state().last;
}

bool windowReadPixels(std::vector<std::uint8_t>& rgba, int& width, int& height) {
    width = height = 0;
    if (!screenIsOpen()) return false;
    const SavedGLContext saved;
    if (!screenMakeDefaultCurrent()) {
        saved.restore();
        return false;
    }
    if (WindowCompositor::state().backBufferBehind) WindowCompositor::compose(false);
    screenDrawableSize(&width, &height);
    rgba.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4, 0);
    const GLStateSnapshot viewState = GLStateSnapshot::take();
    glBindFramebufferOES(GL_FRAMEBUFFER_OES, 0);
    while (glGetError() != GL_NO_ERROR) {
    }
    glPixelStorei(GL_PACK_ALIGNMENT, 4); // RGBA rows are always whole words
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    const bool ok = glGetError() == GL_NO_ERROR;
    viewState.restore();
    saved.restore();
    const std::size_t row = static_cast<std::size_t>(width) * 4;
    for (int top = 0, bottom = height - 1; top < bottom; ++top, --bottom)
        std::swap_ranges(rgba.begin() + static_cast<std::ptrdiff_t>(row * top),
                         rgba.begin() + static_cast<std::ptrdiff_t>(row * (top + 1)),
                         rgba.begin() + static_cast<std::ptrdiff_t>(row * bottom));
    return ok;
}
