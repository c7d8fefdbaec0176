#include "platform/gl/GLStateSnapshot.h"

#include <algorithm>

#include "platform/gl/GLExtensions.h"

namespace {

// Every switch of OpenGL ES 1.1 save the texture units' own, lights and clip planes included, so
// that no drawing sees another's lighting or fog.
constexpr GLenum kCapabilities[] = {
    GL_ALPHA_TEST,
    GL_BLEND,
    GL_COLOR_LOGIC_OP,
    GL_COLOR_MATERIAL,
    GL_CULL_FACE,
    GL_DEPTH_TEST,
    GL_DITHER,
    GL_FOG,
    GL_LIGHTING,
    GL_LINE_SMOOTH,
    GL_MULTISAMPLE,
    GL_NORMALIZE,
    GL_POINT_SMOOTH,
    GL_POLYGON_OFFSET_FILL,
    GL_RESCALE_NORMAL,
    GL_SAMPLE_ALPHA_TO_COVERAGE,
    GL_SAMPLE_ALPHA_TO_ONE,
    GL_SAMPLE_COVERAGE,
    GL_SCISSOR_TEST,
    GL_STENCIL_TEST,
    GL_LIGHT0,
    GL_LIGHT1,
    GL_LIGHT2,
    GL_LIGHT3,
    GL_LIGHT4,
    GL_LIGHT5,
    GL_LIGHT6,
    GL_LIGHT7,
    GL_CLIP_PLANE0,
    GL_CLIP_PLANE1,
    GL_CLIP_PLANE2,
    GL_CLIP_PLANE3,
    GL_CLIP_PLANE4,
    GL_CLIP_PLANE5,
};

int getInt(GLenum name) {
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}

template <std::size_t N> std::array<float, N> getFloats(GLenum name) {
    std::array<float, N> values{};
    glGetFloatv(name, values.data());
    return values;
}

void setEnabled(GLenum capability, bool on) {
    if (on)
        glEnable(capability);
    else
        glDisable(capability);
}

void setClientState(GLenum array, bool on) {
    if (on)
        glEnableClientState(array);
    else
        glDisableClientState(array);
}

} // namespace

GLStateSnapshot GLStateSnapshot::take() {
    GLStateSnapshot s;
    const auto array = [](GLenum enabled, GLenum size, GLenum type, GLenum stride, GLenum buffer,
                          GLenum pointer) {
        Array a;
        a.enabled = glIsEnabled(enabled);
        a.size = size ? getInt(size) : 0;
        a.type = getInt(type);
        a.stride = getInt(stride);
        a.buffer = getInt(buffer);
        glGetPointerv(pointer, &a.pointer);
        return a;
    };
    s.activeTexture_ = getInt(GL_ACTIVE_TEXTURE);
    s.clientActiveTexture_ = getInt(GL_CLIENT_ACTIVE_TEXTURE);
    s.matrixMode_ = getInt(GL_MATRIX_MODE);
    const int units = std::max(1, getInt(GL_MAX_TEXTURE_UNITS));
    for (int i = 0; i < units; ++i) {
        const auto unit = static_cast<GLenum>(GL_TEXTURE0 + i);
        glActiveTexture(unit);
        glClientActiveTexture(unit);
        Unit u;
        u.texture = getInt(GL_TEXTURE_BINDING_2D);
        u.textureEnabled = glIsEnabled(GL_TEXTURE_2D);
        glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &u.envMode);
        glGetTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, u.envColor.data());
        u.matrix = getFloats<16>(GL_TEXTURE_MATRIX);
        u.texCoord = getFloats<4>(GL_CURRENT_TEXTURE_COORDS);
        u.texCoords = array(GL_TEXTURE_COORD_ARRAY, GL_TEXTURE_COORD_ARRAY_SIZE,
                            GL_TEXTURE_COORD_ARRAY_TYPE, GL_TEXTURE_COORD_ARRAY_STRIDE,
                            GL_TEXTURE_COORD_ARRAY_BUFFER_BINDING, GL_TEXTURE_COORD_ARRAY_POINTER);
        s.units_.push_back(u);
    }
    glActiveTexture(static_cast<GLenum>(s.activeTexture_));
    glClientActiveTexture(static_cast<GLenum>(s.clientActiveTexture_));
    for (const GLenum capability : kCapabilities)
        s.capabilities_.push_back(glIsEnabled(capability));
    s.framebuffer_ = getInt(GL_FRAMEBUFFER_BINDING_OES);
    s.renderbuffer_ = getInt(GL_RENDERBUFFER_BINDING_OES);
    s.arrayBuffer_ = getInt(GL_ARRAY_BUFFER_BINDING);
    s.elementBuffer_ = getInt(GL_ELEMENT_ARRAY_BUFFER_BINDING);
    s.blendSrc_ = getInt(GL_BLEND_SRC);
    s.blendDst_ = getInt(GL_BLEND_DST);
    s.shadeModel_ = getInt(GL_SHADE_MODEL);
    s.alphaFunc_ = getInt(GL_ALPHA_TEST_FUNC);
    s.depthFunc_ = getInt(GL_DEPTH_FUNC);
    s.cullFace_ = getInt(GL_CULL_FACE_MODE);
    s.frontFace_ = getInt(GL_FRONT_FACE);
    s.packAlignment_ = getInt(GL_PACK_ALIGNMENT);
    s.unpackAlignment_ = getInt(GL_UNPACK_ALIGNMENT);
    glGetBooleanv(GL_DEPTH_WRITEMASK, &s.depthMask_);
    glGetBooleanv(GL_COLOR_WRITEMASK, s.colorMask_.data());
    glGetIntegerv(GL_VIEWPORT, s.viewport_.data());
    glGetIntegerv(GL_SCISSOR_BOX, s.scissor_.data());
    s.color_ = getFloats<4>(GL_CURRENT_COLOR);
    s.clearColor_ = getFloats<4>(GL_COLOR_CLEAR_VALUE);
    glGetFloatv(GL_CURRENT_NORMAL, s.normal_.data()); // three values
    glGetFloatv(GL_ALPHA_TEST_REF, &s.alphaRef_);
    glGetFloatv(GL_LINE_WIDTH, &s.lineWidth_);
    glGetFloatv(GL_POINT_SIZE, &s.pointSize_);
    glGetFloatv(GL_DEPTH_CLEAR_VALUE, &s.clearDepth_);
    s.depthRange_ = getFloats<2>(GL_DEPTH_RANGE);
    s.modelview_ = getFloats<16>(GL_MODELVIEW_MATRIX);
    s.projection_ = getFloats<16>(GL_PROJECTION_MATRIX);
    s.vertices_ =
        array(GL_VERTEX_ARRAY, GL_VERTEX_ARRAY_SIZE, GL_VERTEX_ARRAY_TYPE, GL_VERTEX_ARRAY_STRIDE,
              GL_VERTEX_ARRAY_BUFFER_BINDING, GL_VERTEX_ARRAY_POINTER);
    s.colors_ = array(GL_COLOR_ARRAY, GL_COLOR_ARRAY_SIZE, GL_COLOR_ARRAY_TYPE,
                      GL_COLOR_ARRAY_STRIDE, GL_COLOR_ARRAY_BUFFER_BINDING, GL_COLOR_ARRAY_POINTER);
    s.normals_ = array(GL_NORMAL_ARRAY, 0, GL_NORMAL_ARRAY_TYPE, GL_NORMAL_ARRAY_STRIDE,
                       GL_NORMAL_ARRAY_BUFFER_BINDING, GL_NORMAL_ARRAY_POINTER);
    return s;
}

void GLStateSnapshot::restore() const {
    // An array's pointer is an offset into the buffer bound when it was set.
    const auto array = [](const Array& a, GLenum name, auto setPointer) {
        glBindBuffer(GL_ARRAY_BUFFER, static_cast<GLuint>(a.buffer));
        setPointer(a);
        setClientState(name, a.enabled != 0);
    };
    for (std::size_t i = 0; i < units_.size(); ++i) {
        const Unit& u = units_[i];
        const auto unit = static_cast<GLenum>(GL_TEXTURE0 + i);
        glActiveTexture(unit);
        glClientActiveTexture(unit);
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(u.texture));
        setEnabled(GL_TEXTURE_2D, u.textureEnabled != 0);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, u.envMode);
        glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, u.envColor.data());
        glMatrixMode(GL_TEXTURE);
        glLoadMatrixf(u.matrix.data());
        glMultiTexCoord4f(unit, u.texCoord[0], u.texCoord[1], u.texCoord[2], u.texCoord[3]);
        array(u.texCoords, GL_TEXTURE_COORD_ARRAY, [](const Array& a) {
            glTexCoordPointer(a.size, static_cast<GLenum>(a.type), a.stride, a.pointer);
        });
    }
    glActiveTexture(static_cast<GLenum>(activeTexture_));
    glClientActiveTexture(static_cast<GLenum>(clientActiveTexture_));
    for (std::size_t i = 0; i < capabilities_.size(); ++i)
        setEnabled(kCapabilities[i], capabilities_[i] != 0);
    array(vertices_, GL_VERTEX_ARRAY, [](const Array& a) {
        glVertexPointer(a.size, static_cast<GLenum>(a.type), a.stride, a.pointer);
    });
    array(colors_, GL_COLOR_ARRAY, [](const Array& a) {
        glColorPointer(a.size, static_cast<GLenum>(a.type), a.stride, a.pointer);
    });
    array(normals_, GL_NORMAL_ARRAY, [](const Array& a) {
        glNormalPointer(static_cast<GLenum>(a.type), a.stride, a.pointer);
    });
    glBindBuffer(GL_ARRAY_BUFFER, static_cast<GLuint>(arrayBuffer_));
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLuint>(elementBuffer_));
    glBindFramebufferOES(GL_FRAMEBUFFER_OES, static_cast<GLuint>(framebuffer_));
    glBindRenderbufferOES(GL_RENDERBUFFER_OES, static_cast<GLuint>(renderbuffer_));
    glBlendFunc(static_cast<GLenum>(blendSrc_), static_cast<GLenum>(blendDst_));
    glShadeModel(static_cast<GLenum>(shadeModel_));
    glAlphaFunc(static_cast<GLenum>(alphaFunc_), alphaRef_);
    glDepthFunc(static_cast<GLenum>(depthFunc_));
    glCullFace(static_cast<GLenum>(cullFace_));
    glFrontFace(static_cast<GLenum>(frontFace_));
    glPixelStorei(GL_PACK_ALIGNMENT, packAlignment_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, unpackAlignment_);
    glDepthMask(depthMask_);
    glColorMask(colorMask_[0], colorMask_[1], colorMask_[2], colorMask_[3]);
    glViewport(viewport_[0], viewport_[1], viewport_[2], viewport_[3]);
    glScissor(scissor_[0], scissor_[1], scissor_[2], scissor_[3]);
    glColor4f(color_[0], color_[1], color_[2], color_[3]);
    glClearColor(clearColor_[0], clearColor_[1], clearColor_[2], clearColor_[3]);
    glNormal3f(normal_[0], normal_[1], normal_[2]);
    glLineWidth(lineWidth_);
    glPointSize(pointSize_);
    glClearDepthf(clearDepth_);
    glDepthRangef(depthRange_[0], depthRange_[1]);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(projection_.data());
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(modelview_.data());
    glMatrixMode(static_cast<GLenum>(matrixMode_));
}
