#include "render/frame_layout.h"

#include <cmath>

LayoutRect progressBarRect(int clientWidth, int clientHeight) {
    const float width = static_cast<float>(clientWidth);
    const float height = static_cast<float>(clientHeight);
    LayoutRect bar;
    bar.x = 0.039f * width;
    bar.width = 0.922f * width;
    bar.height = 0.0547f * height;
    bar.y = 0.925f * height - bar.height / 2.0f;
    return bar;
}

LayoutRect spinnerRect(int clientWidth, int clientHeight) {
    const float width = static_cast<float>(clientWidth);
    const float height = static_cast<float>(clientHeight);
    const float side = 0.11f * height;
    return LayoutRect{0.5f * width - side / 2.0f, 0.403f * height - side / 2.0f, side, side};
}

PixelRect spinnerPixelRect(int clientWidth, int clientHeight) {
    const LayoutRect square = spinnerRect(clientWidth, clientHeight);
    PixelRect pixels;
    pixels.side = static_cast<int>(std::ceil(square.width));
    const float centreX = square.x + square.width / 2.0f;
    const float centreY = square.y + square.height / 2.0f;
    pixels.x = static_cast<int>(std::floor(centreX - pixels.side / 2.0f + 0.5f));
    pixels.y = static_cast<int>(std::floor(centreY - pixels.side / 2.0f + 0.5f));
    return pixels;
}

double barFraction(double shownProgress) {
    if (shownProgress < 0.0) return 0.0;
    return shownProgress < 1.0 ? shownProgress : 1.0;
}

bool barHasFill(double fraction) {
    return fraction > 0.001;
}

float barFillWidth(const LayoutRect& bar, double fraction) {
    const float proportional = static_cast<float>(static_cast<double>(bar.width) * fraction);
    return proportional > bar.height ? proportional : bar.height;
}

int barPercentage(double fraction) {
    return static_cast<int>(fraction * 100.0 + 0.5);
}

SpinnerBlend spinnerBlend(double phase) {
    const int whole = static_cast<int>(phase);
    SpinnerBlend blend;
    blend.frame = whole % 10;
    blend.nextFrame = (blend.frame + 1) % 10;
    blend.nextOpacity = static_cast<float>(phase - whole);
    return blend;
}
