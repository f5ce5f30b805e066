#include "SceneLayout.h"

#include <algorithm>

#include "GameRules.h"

namespace {

// Across the client area: margin, board (cells and 11 grid lines), gap, panel, margin; down:
// margin, board (cells and 19 grid lines), margin.
constexpr std::int32_t BoardMargin = 20;
constexpr std::int32_t PanelGap = 20;
constexpr std::int32_t GridLinesAcross = GameRules::WellWidth + 1;
constexpr std::int32_t GridLinesDown = GameRules::WellHeight + 1;
constexpr std::int32_t WidthOverhead =
    2 * BoardMargin + GridLinesAcross + PanelGap + SceneLayout::PanelWidth;
constexpr std::int32_t HeightOverhead = 2 * BoardMargin + GridLinesDown;

// The controls and the preview box, relative to the panel's top-left corner.
constexpr LayoutRect ComboBoxPlace = {50, 50, 50 + 200, 50 + 200};
constexpr LayoutRect ButtonPlace = {30, 90, 30 + 190, 90 + 23};
constexpr std::int32_t PreviewLeft = 76;
constexpr std::int32_t PreviewTop = 431;
constexpr std::int32_t PreviewSize = SceneLayout::PreviewCells * SceneLayout::PreviewPitch + 1;

// Returns `place` moved from the panel's corner to client coordinates.
LayoutRect InPanel(const LayoutRect& panel, const LayoutRect& place) {
    return {panel.left + place.left, panel.top + place.top, panel.left + place.right,
            panel.top + place.bottom};
}

}  // namespace

// The largest cells that leave room for the margins and the panel, the board centred in the
// space left of the panel, and the panel centred vertically when the client area is taller than
// the panel. Divisions truncate toward zero, also where a small client area makes them negative.
SceneLayout::SceneLayout(std::int32_t width, std::int32_t height) {
    const std::int32_t d = std::min((width - WidthOverhead) / GameRules::WellWidth,
                                    (height - HeightOverhead) / GameRules::WellHeight);
    board.left = (width - GameRules::WellWidth * d - WidthOverhead) / 2 + BoardMargin;
    board.right = board.left + GameRules::WellWidth * d + GridLinesAcross;
    board.top = (height - GameRules::WellHeight * d - HeightOverhead) / 2 + BoardMargin;
    board.bottom = board.top + GameRules::WellHeight * d + GridLinesDown;

    panel.left = board.right + PanelGap;
    panel.right = panel.left + PanelWidth;
    if (height > PanelHeight) {
        panel.top = (height - PanelHeight) / 2;
        panel.bottom = panel.top + PanelHeight;
    } else {
        panel.top = 0;
        panel.bottom = height;
    }

    comboBox = InPanel(panel, ComboBoxPlace);
    button = InPanel(panel, ButtonPlace);
    preview = InPanel(
        panel, {PreviewLeft, PreviewTop, PreviewLeft + PreviewSize, PreviewTop + PreviewSize});
}

// The board's width holds the cells and their grid lines, so the cell size follows from it.
std::int32_t SceneLayout::CellSize() const {
    return (board.right - board.left - GridLinesAcross) / GameRules::WellWidth;
}

LayoutRect SceneLayout::CellSquare(std::int32_t x, std::int32_t y) const {
    const std::int32_t d = CellSize();
    const std::int32_t left = board.left + 1 + x * (d + 1);
    const std::int32_t top = board.top + 1 + y * (d + 1);
    return {left, top, left + d, top + d};
}

LayoutRect SceneLayout::PreviewCellSquare(std::int32_t x, std::int32_t y) const {
    const std::int32_t left = preview.left + 1 + x * PreviewPitch;
    const std::int32_t top = preview.top + 1 + y * PreviewPitch;
    return {left, top, left + PreviewCellSize, top + PreviewCellSize};
}
