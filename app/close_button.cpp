#include "app/close_button.h"

#include <cstdint>

#include "app/launcher_state.h"

ButtonRect closeButtonRect() {
    RECT client{};
    GetClientRect(mainWindow, &client);
    return closeButtonRectFor(client.right, client.bottom);
}

bool isOnCloseButton(const ButtonRect& button, float x, float y) {
    return x >= button.left && x < button.left + button.width && y >= button.top &&
           y < button.top + button.height;
}

PointerPosition pointerFromLParam(LPARAM lParam) {
    const auto bits = static_cast<std::uintptr_t>(lParam);
    const auto x = static_cast<std::int16_t>(static_cast<std::uint16_t>(bits & 0xFFFF));
    const auto y = static_cast<std::int16_t>(static_cast<std::uint16_t>((bits >> 16) & 0xFFFF));
    return PointerPosition{static_cast<float>(x), static_cast<float>(y)};
}
