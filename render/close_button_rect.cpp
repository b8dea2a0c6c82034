#include "render/close_button_rect.h"

ButtonRect closeButtonRectFor(int clientWidth, int clientHeight) {
    const float width = static_cast<float>(clientWidth);
    const float height = static_cast<float>(clientHeight);
    const float side = 0.045f * height;
    ButtonRect button;
    button.left = width - 0.012f * width - side;
    button.top = 0.012f * height;
    button.width = side;
    button.height = side;
    return button;
}
