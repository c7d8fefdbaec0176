// The OpenGL ES 1.1 state that drawing code sets, read from the current context and put back
// exactly: what lets the window's compositor draw in the context a view draws its scene in, and
// leave that view's state as it found it. Needs a context current; nothing game-specific.
#pragma once

#include <array>
#include <vector>

class GLStateSnapshot {
public:
    // Reads the current context's state.
    static GLStateSnapshot take();
    // Makes the current context's state the one read.
    void restore() const;

private:
    struct Array {
        int enabled = 0;
        int size = 0, type = 0, stride = 0, buffer = 0;
        void* pointer = nullptr;
    };
    struct Unit {
        int texture = 0;
        int textureEnabled = 0;
        int envMode = 0;
        std::array<float, 4> envColor{};
        std::array<float, 16> matrix{};
        std::array<float, 4> texCoord{};
        Array texCoords;
    };

    std::vector<Unit> units_;
    std::vector<unsigned char> capabilities_; // in the order of the table in the .cpp
    int framebuffer_ = 0, renderbuffer_ = 0, arrayBuffer_ = 0, elementBuffer_ = 0;
    int matrixMode_ = 0, activeTexture_ = 0, clientActiveTexture_ = 0;
    int blendSrc_ = 0, blendDst_ = 0, shadeModel_ = 0, alphaFunc_ = 0, depthFunc_ = 0;
    int cullFace_ = 0, frontFace_ = 0, packAlignment_ = 4, unpackAlignment_ = 4;
    unsigned char depthMask_ = 1;
    std::array<unsigned char, 4> colorMask_{};
    std::array<int, 4> viewport_{}, scissor_{};
    std::array<float, 4> color_{}, clearColor_{}, normal_{};
    float alphaRef_ = 0.0f, lineWidth_ = 1.0f, pointSize_ = 1.0f, clearDepth_ = 1.0f;
    std::array<float, 2> depthRange_{};
    std::array<float, 16> modelview_{}, projection_{};
    Array vertices_, colors_, normals_;
};
