#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/draw/UITexture.h"
#include "platform/media/ImageDecoder.h"

// The stand-in for a named image of the application: decoded at once, made a texture when first
// drawn. The image of the name is one pixel a point; its "@2x" and "@3x" variants, where there
// are any, are taken for finer window scales (scaledResourcePath), each when first drawn at one.
class Image {
public:
    // nullptr, with one log line, when there is no such resource or it cannot be decoded.
    static std::shared_ptr<Image> imageNamed(const std::string& name);
    ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    Size pointSize() const; // the picture's size in points
    void draw(const Rect& rect, float alpha) const;

private:
    Image(std::string name, DecodedImage pixels, int pixelScale)
        : name_(std::move(name)), pixels_(std::move(pixels)), pixelScale_(pixelScale) {}
    std::string name_;
    mutable DecodedImage pixels_;
    mutable int pixelScale_;         // image pixels a point
    mutable float chosenFor_ = 0.0f; // the window scale the variant was last chosen for
    mutable UITexture texture_;
    mutable std::uint32_t failedOn_ = 0; // the screen on which GL refused the texture
};
