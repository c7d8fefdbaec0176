// The game's 21 textures: their global names, and the loading of a PNG resource into a texture
// with box-filtered smaller levels. OpenGL ES 1.1; platform headers only, no SDL.
#pragma once

#include <string>

#include "platform/gl/GLExtensions.h"

// Texture names, 0 until loadTextures has run and after a failed load (binding 0 draws
// untextured). Written only by loadTextures.
extern GLuint bgTexId;
extern GLuint redBallTexId;
extern GLuint blueBallTexId;
extern GLuint greenBallTexId;
extern GLuint yellowBallTexId;
extern GLuint purpleBallTexId;
extern GLuint whiteBallTexId;
extern GLuint orangeBallTexId;
extern GLuint zeroTexId;
extern GLuint oneTexId;
extern GLuint twoTexId;
extern GLuint threeTexId;
extern GLuint fourTexId;
extern GLuint fiveTexId;
extern GLuint sixTexId;
extern GLuint sevenTexId;
extern GLuint eightTexId;
extern GLuint nineTexId;
extern GLuint cloudTexId;
extern GLuint saysTexId;
extern GLuint spotTexId;

// Loads the image resource `name` (extension included) into a new texture, still bound to
// GL_TEXTURE_2D on return: the image as level 0 when startLevel >= 0, and of the successive
// half-size reductions (counted from 1) those numbered startLevel ... stopLevel. Filters linear,
// wrapping repeat. Needs a current GL context. The image is the variant of the name drawn for
// `scale` pixels per point (scaledResourcePath), at most the 2x one where the context takes
// only sides that are powers of two. Returns 0, with one log line, for a missing or undecodable
// image, a side over the GL limit or (in such a context) not a power of two, or no texture name.
GLuint loadTextureFromResource(const std::string& name, int startLevel, int stopLevel,
                               float scale = 1.0f);

// Loads all 21 images, drawn for `scale` pixels per point, into the globals above, in the order
// they are declared. The textures already there are not deleted: see deleteTextures().
void loadTextures(float scale = 1.0f);
// Deletes the textures named by the globals (in the current context, which must be the one they
// were loaded in) and sets the globals to 0.
void deleteTextures();

// The bubbles with their colour's symbol (on) or plain (off, the default), from the next
// loadTextures() on.
void setBubbleSymbols(bool on);
bool bubbleSymbolsShown();

// The game view's set of textures: loaded for one drawing scale, and loaded again (the old ones
// deleted) for a scale of another image scale or when the symbols are switched. Each returns
// true when it loaded, so that the view redraws. Needs the view's context current.
class TextureSet {
public:
    bool loadFor(float scale);
    bool setSymbols(bool on);

private:
    void reload(float scale);
    float scale_ = 0.0f; // what the loaded textures are drawn for; 0 before the first load
};

// One box-filter halving of a tightly packed RGBA image of *w x *h into dst, which may be src:
// the per-channel mean of each 2x2 block, or of each pair when a side is 1, remainder dropped
// (odd last rows or columns are dropped too). Updates *w and *h. False for 1x1: nothing to do.
bool reduceImage(const unsigned char* src, unsigned char* dst, int* w, int* h);

// Every upload of the loader goes through this function; tests install their own to see the
// levels, which OpenGL ES 1 cannot be asked for. nullptr restores the real glTexImage2D.
using TexImage2DFunc = void (*)(GLenum target, GLint level, GLint internalFormat, GLsizei width,
                                GLsizei height, GLint border, GLenum format, GLenum type,
                                const void* pixels);
void setTexImage2DHook(TexImage2DFunc hook);
