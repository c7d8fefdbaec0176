// The OES frame-buffer-object entry points, which the GLES 1 library does not export: loaded at
// run time from the current context's driver. Include this instead of <GLES/gl.h> directly.
#pragma once

#include <GLES/gl.h>
#include <GLES/glext.h>

extern PFNGLGENRENDERBUFFERSOESPROC glGenRenderbuffersOES;
extern PFNGLBINDRENDERBUFFEROESPROC glBindRenderbufferOES;
extern PFNGLDELETERENDERBUFFERSOESPROC glDeleteRenderbuffersOES;
extern PFNGLRENDERBUFFERSTORAGEOESPROC glRenderbufferStorageOES;
extern PFNGLGETRENDERBUFFERPARAMETERIVOESPROC glGetRenderbufferParameterivOES;
extern PFNGLGENFRAMEBUFFERSOESPROC glGenFramebuffersOES;
extern PFNGLBINDFRAMEBUFFEROESPROC glBindFramebufferOES;
extern PFNGLDELETEFRAMEBUFFERSOESPROC glDeleteFramebuffersOES;
extern PFNGLFRAMEBUFFERRENDERBUFFEROESPROC glFramebufferRenderbufferOES;
extern PFNGLFRAMEBUFFERTEXTURE2DOESPROC glFramebufferTexture2DOES;
extern PFNGLCHECKFRAMEBUFFERSTATUSOESPROC glCheckFramebufferStatusOES;

// Loads them with a GLES 1.1 context current. False, with one log line, when the context lacks
// GL_OES_framebuffer_object or an entry point is missing; the pointers are then all null.
bool loadGLExtensions();

// Clears the pending GL errors, so that the next glGetError() tells of the calls after it. Bounded:
// without a context some drivers answer every call with an error.
void glDrainErrors();

// An entry point of the EGL library SDL loaded (we link none of our own), or nullptr when SDL
// loaded none or it lacks the name.
void* eglLoadedSymbol(const char* name);
template <typename Fn> Fn eglLoaded(const char* name) {
    return reinterpret_cast<Fn>(eglLoadedSymbol(name));
}

// Gives the render buffer bound to GL_RENDERBUFFER_OES the storage of `texture`'s level 0, through
// an EGL image of the texture (GL_OES_EGL_image, EGL_KHR_gl_texture_2D_image): what is drawn into
// the one is then the other's picture, with no copy and no second buffer. False where the driver
// offers no such image; the render buffer is then as it was. Needs the texture's context current.
bool glRenderbufferStorageFromTexture(GLuint texture);
