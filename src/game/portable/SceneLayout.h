// Where the well, the side panel, its two controls and the preview box stand in a client area of
// a given size: the board on the left, its cells as large as the room allows, and a panel of fixed
// width on the right.
#pragma once

#include <cstdint>

// A rectangle in client coordinates; its right and bottom edges lie just outside it.
struct LayoutRect {
    std::int32_t left;
    std::int32_t top;
    std::int32_t right;
    std::int32_t bottom;
};

class SceneLayout {
  public:
    // The panel keeps its width, and its contents their places below its top, at every size.
    static constexpr std::int32_t PanelWidth = 250;
    static constexpr std::int32_t PanelHeight = 570;
    // The preview box is a 4 × 4 grid of 23-pixel cells inside a frame, whatever the board's
    // cell size.
    static constexpr std::int32_t PreviewCells = 4;
    static constexpr std::int32_t PreviewCellSize = 23;
    static constexpr std::int32_t PreviewPitch = PreviewCellSize + 1;

    // Lays nothing out: every rectangle is empty at the origin, as before the window's first size.
    SceneLayout() = default;
    // Lays out a client area of `width` × `height` pixels. Below the size that leaves room for the
    // margins and the panel the cell size is 0 or less, and the board's rectangle turns over.
    SceneLayout(std::int32_t width, std::int32_t height);

    // Returns the side of a board cell in pixels; one grid line lies between two cells.
    std::int32_t CellSize() const;
    // Returns the board cell (x, y): column x from the left, row y from the top.
    LayoutRect CellSquare(std::int32_t x, std::int32_t y) const;
    // Returns the preview's cell (x, y), of the preview's own cell size.
    LayoutRect PreviewCellSquare(std::int32_t x, std::int32_t y) const;

    // The board with its frame, the side panel, the difficulty list (its height includes the
    // dropped-down list), the start/stop button and the preview box with its frame.
    LayoutRect board = {};
    LayoutRect panel = {};
    LayoutRect comboBox = {};
    LayoutRect button = {};
    LayoutRect preview = {};
};
