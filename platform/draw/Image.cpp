#include "platform/draw/Image.h"

#include <utility>

#include "platform/base/Log.h"
#include "platform/gl/Screen.h"
#include "platform/media/Resources.h"

std::shared_ptr<Image> Image::imageNamed(const std::string& name) {
    std::string whyNot;
    int pixelScale = 1;
    const std::string path = scaledResourcePath(name, windowContentScale(), &pixelScale, &whyNot);
    if (path.empty()) {
        platformLog("no image named %s: %s", name.c_str(), whyNot.c_str());
        return nullptr;
    }
    DecodedImage pixels = decodePngFile(path); // logs its own line on failure
    if (pixels.empty()) return nullptr;
    return std::shared_ptr<Image>(new Image(name, std::move(pixels), pixelScale));
}

Image::~Image() {
    uiReleaseTexture(texture_);
}

Size Image::pointSize() const {
    const auto k = static_cast<float>(pixelScale_);
    return {static_cast<float>(pixels_.width) / k, static_cast<float>(pixels_.height) / k};
}

void Image::draw(const Rect& rect, float alpha) const {
    const float scale = windowContentScale();
    if (scale != chosenFor_) { // the window's scale changed: perhaps another variant fits
        chosenFor_ = scale;
        int pixelScale = 1;
        const std::string path = scaledResourcePath(name_, scale, &pixelScale);
        if (pixelScale != pixelScale_ && !path.empty()) {
            if (DecodedImage pixels = decodePngFile(path); !pixels.empty()) {
                pixels_ = std::move(pixels);
                pixelScale_ = pixelScale;
                uiReleaseTexture(texture_);
                failedOn_ = 0;
            }
        }
    }
    if (!texture_.live()) {
        if (failedOn_ != 0 && failedOn_ == uiCurrentScreen()) return; // logged once already
        if (!uiMakeTexture(texture_, pixels_.pixels.get(), pixels_.width, pixels_.height, true)) {
            failedOn_ = uiCurrentScreen();
            return;
        }
    }
    uiDrawTexture(texture_, rect, {1.0f, 1.0f, 1.0f, alpha});
}
