// The main window's scene: the layout of the board and the side panel, and the paint that draws
// the well, the falling and the next piece, the texts and the status line.
#include "KvMainWnd.h"

#include <algorithm>
#include <iterator>

#include "AppContext.h"
#include "DcSelection.h"
#include "FontCache.h"
#include "ImageDrawing.h"
#include "PenCache.h"

namespace {

// Texts the player sees.
constexpr wchar_t DifficultyPrompt[] = L"请选择游戏难度级别：";
constexpr wchar_t RowsRemovedFormat[] = L"已消减层数：%u";
constexpr wchar_t ScoreFormat[] = L"当前成绩：%u";
constexpr wchar_t NextPieceHeading[] = L"下一个方块：";

// One help line of the panel, `top` pixels below the panel's top.
struct HelpLine {
    int top;
    const wchar_t* text;
};
constexpr HelpLine HelpLines[] = {
    {133, L"左箭头键、A键：向左移动"},    {163, L"右箭头键、D键：向右移动"},
    {193, L"上箭头键、W键：暂停 / 恢复"}, {223, L"下箭头键、S键：一键落到底"},
    {253, L"空格键：旋转方块"},           {283, L"Alt+F4：直接退出游戏"},
};

constexpr COLORREF PausedStatusColor = RGB(255, 0, 0);
constexpr COLORREF TextColor = RGB(0, 0, 0);

// Panel contents, relative to the panel's top; texts run across the panel's width.
constexpr int PromptHeight = 50;
constexpr int HelpLineHeight = 15;
constexpr int RowsRemovedTop = 323;
constexpr int ScoreTop = 360;
constexpr int NextPieceTop = 398;
constexpr int CounterHeight = 18;

RECT ToRect(const LayoutRect& rect) {
    return {rect.left, rect.top, rect.right, rect.bottom};
}

void MoveTo(HWND control, const LayoutRect& place) {
    MoveWindow(control, place.left, place.top, place.right - place.left, place.bottom - place.top,
               TRUE);
}

// Returns true when the square (left, top) of side `size` shares a pixel with `rect`, counting
// its right and bottom edges in, so that a cell touching the rectangle is drawn again.
bool SquareMeets(int left, int top, int size, const RECT& rect) {
    return left < rect.right && left + size >= rect.left && top < rect.bottom &&
           top + size >= rect.top;
}

// Draws one cell from its picture, or piece by piece when there is none.
void DrawCell(HDC dc, const CellPicture* picture, const KvJigsawImage& image, int x, int y,
              int size, const RECT* clip) {
    if (picture != nullptr) {
        picture->Draw(dc, x, y, clip);
    } else {
        DrawJigsawImage(dc, image, x, y, size, size, clip);
    }
}

void DrawLine(HDC dc, int x1, int y1, int x2, int y2) {
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
}

// Draws a single line of text in the band from `top` to `bottom` across [left, right).
void DrawTextLine(HDC dc, const wchar_t* text, int left, int top, int right, int bottom,
                  UINT format) {
    RECT band = {left, top, right, bottom};
    DrawTextW(dc, text, -1, &band, DT_SINGLELINE | format);
}

}  // namespace

// Called after a non-zero client size was stored: the board and the panel take their places for
// that size and the controls move with the panel.
void KvMainWnd::UpdateLayout() {
    if (clientWidth == 0 || clientHeight == 0) {
        return;
    }
    const SceneLayout next(clientWidth, clientHeight);
    if (next.CellSize() != layout.CellSize()) {
        // The board's pictures of the old size are of no further use.
        cellPictures.Clear();
    }
    layout = next;
    boardRect = ToRect(layout.board);
    panelRect = ToRect(layout.panel);
    MoveTo(comboBox, layout.comboBox);
    MoveTo(startButton, layout.button);
}

// Called between BeginPaint and EndPaint. The whole scene is drawn, through the back buffer,
// whose earlier content outside `rect` is still valid, and only `rect` reaches `dc`.
void KvMainWnd::Paint(HDC dc, const RECT* rect) {
    if (rect == nullptr) {
        return;
    }
    backBuffer.PaintThrough(hwnd, dc, *rect,
                            [this, rect](HDC target) { DrawScene(target, *rect); });
}

void KvMainWnd::DrawScene(HDC dc, const RECT& rect) {
    FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DrawBoardGrid(dc);
    DrawFrame(dc, boardRect);
    DrawBoardCells(dc, rect);
    DcSelection font(dc, GetFont(GetAppContext().headingFont));
    SetBkMode(dc, TRANSPARENT);
    DrawPanelTexts(dc, font);
    DrawPreview(dc, rect);
    DrawStatusLine(dc);
}

void KvMainWnd::DrawBoardGrid(HDC dc) const {
    const DcSelection gridPen(dc, GetPen(GetAppContext().gridPen));
    const int pitch = layout.CellSize() + 1;
    for (int k = 1; k < WellWidth; ++k) {
        const int x = boardRect.left + k * pitch;
        DrawLine(dc, x, boardRect.top, x, boardRect.bottom);
    }
    for (int k = 1; k < WellHeight; ++k) {
        const int y = boardRect.top + k * pitch;
        DrawLine(dc, boardRect.left, y, boardRect.right, y);
    }
}

// Draws the one-pixel frame just inside `frame` with the border pen, or with the DC's current pen
// when the border pen could not be made.
void KvMainWnd::DrawFrame(HDC dc, const RECT& frame) const {
    const ObjectId borderPen = GetAppContext().borderPen;
    const DcSelection pen(dc, borderPen != InvalidObjectId ? GetPen(borderPen) : nullptr);
    const POINT corners[] = {
        {frame.left, frame.top},
        {frame.right - 1, frame.top},
        {frame.right - 1, frame.bottom - 1},
        {frame.left, frame.bottom - 1},
        {frame.left, frame.top},
    };
    Polyline(dc, corners, static_cast<int>(std::size(corners)));
}

// Draws the falling piece, then the landed blocks; cells outside `rect` are skipped. Each cell is
// drawn over its whole square, even where the square reaches past `rect`.
void KvMainWnd::DrawBoardCells(HDC dc, const RECT& rect) {
    const AppContext& context = GetAppContext();
    const int d = layout.CellSize();
    if (currentType != 0) {
        const CellPicture* piece = FindCellPicture(dc, context.pieceImage, d);
        for (const Cell& cell : pieceCells) {
            const LayoutRect square = layout.CellSquare(cell.x, cell.y);
            if (SquareMeets(square.left, square.top, d, rect)) {
                DrawCell(dc, piece, context.pieceImage, square.left, square.top, d, nullptr);
            }
        }
    }
    const CellPicture* block = FindCellPicture(dc, context.blockImage, d);
    for (int x = 0; x < WellWidth; ++x) {
        for (int y = 0; y < WellHeight; ++y) {
            if (board[x][y] == 0) {
                continue;
            }
            const LayoutRect square = layout.CellSquare(x, y);
            if (SquareMeets(square.left, square.top, d, rect)) {
                DrawCell(dc, block, context.blockImage, square.left, square.top, d, nullptr);
            }
        }
    }
}

// Returns the picture of `image` at `size` for drawing into `dc`, or null when the pictures are
// turned off and cells are drawn piece by piece.
const CellPicture* KvMainWnd::FindCellPicture(HDC dc, const KvJigsawImage& image, int size) {
    return cellPicturesCached ? &cellPictures.Find(dc, image, size) : nullptr;
}

// Draws the prompt in the heading font, the help lines in the body font and the counters and
// the preview's heading in the heading font again.
void KvMainWnd::DrawPanelTexts(HDC dc, DcSelection& font) const {
    const AppContext& context = GetAppContext();
    const RECT& p = panelRect;
    DrawTextLine(dc, DifficultyPrompt, p.left, p.top, p.right, p.top + PromptHeight, DT_VCENTER);
    font.Select(GetFont(context.bodyFont));
    for (const HelpLine& line : HelpLines) {
        DrawTextLine(dc, line.text, p.left, p.top + line.top, p.right,
                     p.top + line.top + HelpLineHeight, 0);
    }
    font.Select(GetFont(context.headingFont));
    WideString counter;
    counter.Format(RowsRemovedFormat, rowsRemoved);
    DrawTextLine(dc, counter.c_str(), p.left, p.top + RowsRemovedTop, p.right,
                 p.top + RowsRemovedTop + CounterHeight, 0);
    counter.Format(ScoreFormat, score);
    DrawTextLine(dc, counter.c_str(), p.left, p.top + ScoreTop, p.right,
                 p.top + ScoreTop + CounterHeight, 0);
    DrawTextLine(dc, NextPieceHeading, p.left, p.top + NextPieceTop, p.right,
                 p.top + NextPieceTop + CounterHeight, 0);
}

// Draws the preview's grid and frame and the next piece in it, at a fixed cell size.
void KvMainWnd::DrawPreview(HDC dc, const RECT& rect) {
    const AppContext& context = GetAppContext();
    const RECT box = ToRect(layout.preview);
    {
        const DcSelection gridPen(dc, GetPen(context.gridPen));
        for (int k = 1; k < SceneLayout::PreviewCells; ++k) {
            const int x = box.left + k * SceneLayout::PreviewPitch;
            DrawLine(dc, x, box.top, x, box.bottom);
        }
        for (int k = 1; k < SceneLayout::PreviewCells; ++k) {
            const int y = box.top + k * SceneLayout::PreviewPitch;
            DrawLine(dc, box.left, y, box.right, y);
        }
    }
    DrawFrame(dc, box);

    const ShapeRecord* shape =
        nextType != 0 ? context.shapes.FindShape(nextType, nextOrientation) : nullptr;
    if (shape == nullptr) {
        return;
    }
    const CellPicture* piece =
        FindCellPicture(dc, context.pieceImage, SceneLayout::PreviewCellSize);
    for (const Cell& cell : shape->cells) {
        const LayoutRect square = layout.PreviewCellSquare(cell.x, cell.y);
        DrawCell(dc, piece, context.pieceImage, square.left, square.top,
                 SceneLayout::PreviewCellSize, &rect);
    }
}

// Draws the status line at the bottom of the panel, in red while the game is paused. The flag
// outlives a stopped game, so a game stopped while paused ends in red.
void KvMainWnd::DrawStatusLine(HDC dc) const {
    if (statusText[0] == L'\0') {
        return;
    }
    RECT band = panelRect;
    const COLORREF previous = SetTextColor(dc, paused ? PausedStatusColor : TextColor);
    DrawTextW(dc, statusText, -1, &band, DT_SINGLELINE | DT_BOTTOM);
    if (previous != CLR_INVALID) {
        SetTextColor(dc, previous);
    }
}
