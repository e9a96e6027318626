#pragma once

namespace pelora {

// A window's rectangle on the screen in pixels: its top left corner and its size.
struct WindowFrame {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    friend bool operator==(const WindowFrame&, const WindowFrame&) = default;
};

// Where a window of `width` by `height` opens beside `owner` (the frame of the window it
// belongs to) on `screen` (the screen's available area): `gap` pixels to the owner's right when
// it fits there, else to its left, else against the screen's right edge; level with the owner's
// top, moved up to keep its bottom on the screen, and never beyond the screen's top or left.
WindowFrame placeBeside(const WindowFrame& owner, int width, int height, const WindowFrame& screen, int gap);

}  // namespace pelora
