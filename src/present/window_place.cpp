#include "present/window_place.h"

#include <algorithm>

namespace pelora {

WindowFrame placeBeside(const WindowFrame& owner, int width, int height, const WindowFrame& screen, int gap) {
    const int screenRight = screen.x + screen.width;
    const int screenBottom = screen.y + screen.height;
    int x = owner.x + owner.width + gap;
    if (x + width > screenRight) {
        const int left = owner.x - gap - width;
        x = left >= screen.x ? left : screenRight - width;
    }
    const int y = std::min(owner.y, screenBottom - height);
    return WindowFrame{std::max(x, screen.x), std::max(y, screen.y), width, height};
}

}  // namespace pelora
