// Run-time loading of the OES frame-buffer-object entry points through SDL.
#include "platform/gl/GLExtensions.h"

#include <SDL.h>
#include <dlfcn.h>

#include <cstdint>
#include <cstring>

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
PFNGLFRAMEBUFFERTEXTURE2DOESPROC glFramebufferTexture2DOES = nullptr;
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
    glFramebufferTexture2DOES = nullptr;
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
                    load(glFramebufferTexture2DOES, "glFramebufferTexture2DOES") &&
                    load(glCheckFramebufferStatusOES, "glCheckFramebufferStatusOES");
    if (!ok) {
        platformLog("OpenGL ES driver lacks an OES frame buffer entry point: %s", SDL_GetError());
        clearAll();
    }
    return ok;
}

namespace {

// The constants of EGL's image extensions.
constexpr std::int32_t kEglExtensions = 0x3055, kEglNone = 0x3038;
constexpr std::int32_t kEglGlTexture2D = 0x30B1, kEglGlTextureLevel = 0x30BC;

} // namespace

void glDrainErrors() {
    for (int i = 0; i < 32 && glGetError() != GL_NO_ERROR; ++i) {
    }
}

void* eglLoadedSymbol(const char* name) {
    void* handle = dlopen("libEGL.so.1", RTLD_LAZY | RTLD_NOLOAD);
    if (!handle) return nullptr;
    void* symbol = dlsym(handle, name);
    dlclose(handle); // SDL still holds it
    return symbol;
}

bool glRenderbufferStorageFromTexture(GLuint texture) {
    using GetCurrent = void* (*)();
    using QueryString = const char* (*)(void*, std::int32_t);
    using GetProcAddress = void* (*)(const char*);
    using CreateImage = void* (*)(void*, void*, unsigned, void*, const std::int32_t*);
    using DestroyImage = unsigned (*)(void*, void*);
    using TargetStorage = void (*)(GLenum, void*);
    if (!SDL_GL_ExtensionSupported("GL_OES_EGL_image")) return false;
    const auto displayNow = eglLoaded<GetCurrent>("eglGetCurrentDisplay");
    const auto contextNow = eglLoaded<GetCurrent>("eglGetCurrentContext");
    const auto queryString = eglLoaded<QueryString>("eglQueryString");
    const auto procAddress = eglLoaded<GetProcAddress>("eglGetProcAddress");
    if (!displayNow || !contextNow || !queryString || !procAddress) return false;
    void* display = displayNow();
    void* context = contextNow();
    const char* extensions = display ? queryString(display, kEglExtensions) : nullptr;
    if (!context || !extensions || !std::strstr(extensions, "EGL_KHR_gl_texture_2D_image"))
        return false;
    const auto createImage = reinterpret_cast<CreateImage>(procAddress("eglCreateImageKHR"));
    const auto destroyImage = reinterpret_cast<DestroyImage>(procAddress("eglDestroyImageKHR"));
    const auto targetStorage =
        reinterpret_cast<TargetStorage>(procAddress("glEGLImageTargetRenderbufferStorageOES"));
    if (!createImage || !destroyImage || !targetStorage) return false;
    const std::int32_t attributes[] = {kEglGlTextureLevel, 0, kEglNone};
    void* image =
        createImage(display, context, kEglGlTexture2D,
                    reinterpret_cast<void*>(static_cast<std::uintptr_t>(texture)), attributes);
    if (!image) return false;
    glDrainErrors();
    targetStorage(GL_RENDERBUFFER_OES, image);
    // The render buffer holds the texture's storage now; the image itself is no longer needed.
    destroyImage(display, image);
    return glGetError() == GL_NO_ERROR;
}
