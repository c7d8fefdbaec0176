// Run-time loading of the OES frame-buffer-object entry points through SDL.
#include "platform/gl/GLExtensions.h"

#include <SDL.h>

#include "platform/base/Log.h"

PFNGLGENRENDERBUFFERSOESPROC glGenRenderbuffersOES = nullptr;
PFNGLBINDRENDERBUFFEROESPROC glBindRenderbufferOES = nullptr;
PFNGLDELETERENDERBUFFERSOESPROC glDeleteRenderbuffersOES = nullptr;
PFNGLRENDERBUFFERSTORAGEOESPROC glRenderbufferStorageOES = nullptr;
PFNGLGETRENDERBUFFERPARAMETERIVOESPROC glGetRenderbufferParameterivOES = nullptr;
PFNGLGENFRAMEBUFFERSOESPROC glGenFramebuffersOES = nullptr;
PFNGLBINDFRAMEBUFFEROESPROC glBindFramebufferOES = nullptr;
PFNGLDELETEFRAMEBUFFERSOESPROC glDeleteFramebuffersOES = nullptr;
PFNGLFRAMEBUFFERRENDERBUFFEROESPROC glFramebufferRenderbufferOES = nullptr;
PFNGLCHECKFRAMEBUFFERSTATUSOESPROC glCheckFramebufferStatusOES = nullptr;

namespace {

template <typename T> bool load(T& fn, const char* name) {
    fn = reinterpret_cast<T>(SDL_GL_GetProcAddress(name));
    return fn != nullptr;
}

void clearAll() {
    glGenRenderbuffersOES = nullptr;
    glBindRenderbufferOES = nullptr;
    glDeleteRenderbuffersOES = nullptr;
    glRenderbufferStorageOES = nullptr;
    glGetRenderbufferParameterivOES = nullptr;
    glGenFramebuffersOES = nullptr;
    glBindFramebufferOES = nullptr;
    glDeleteFramebuffersOES = nullptr;
    glFramebufferRenderbufferOES = nullptr;
    glCheckFramebufferStatusOES = nullptr;
}

} // namespace

bool loadGLExtensions() {
    if (!SDL_GL_ExtensionSupported("GL_OES_framebuffer_object")) {
        platformLog("OpenGL ES context lacks GL_OES_framebuffer_object");
        clearAll();
        return false;
    }
    const bool ok = load(glGenRenderbuffersOES, "glGenRenderbuffersOES") &&
                    load(glBindRenderbufferOES, "glBindRenderbufferOES") &&
                    load(glDeleteRenderbuffersOES, "glDeleteRenderbuffersOES") &&
                    load(glRenderbufferStorageOES, "glRenderbufferStorageOES") &&
                    load(glGetRenderbufferParameterivOES, "glGetRenderbufferParameterivOES") &&
                    load(glGenFramebuffersOES, "glGenFramebuffersOES") &&
                    load(glBindFramebufferOES, "glBindFramebufferOES") &&
                    load(glDeleteFramebuffersOES, "glDeleteFramebuffersOES") &&
                    load(glFramebufferRenderbufferOES, "glFramebufferRenderbufferOES") &&
                    load(glCheckFramebufferStatusOES, "glCheckFramebufferStatusOES");
    if (!ok) {
        platformLog("OpenGL ES driver lacks an OES frame buffer entry point: %s", SDL_GetError());
        clearAll();
    }
    return ok;
}
