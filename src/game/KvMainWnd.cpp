#include "KvMainWnd.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <iterator>

#include "AppContext.h"
#include "ComboBox.h"
#include "FontCache.h"
#include "ImageDrawing.h"
#include "PaintScope.h"
#include "PenCache.h"

namespace {

// Texts the player sees.
constexpr wchar_t StartCaption[] = L"开始游戏";
constexpr wchar_t StopCaption[] = L"停止游戏";
// The button's text between its creation and the first idle state; never seen on screen.
constexpr wchar_t CreationCaption[] = L"测试";
constexpr wchar_t PlayingStatus[] = L"游戏中";
constexpr wchar_t PausedStatus[] = L"游戏暂停";
constexpr wchar_t GameOverStatus[] = L"游戏结束";
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

// The difficulty levels in the order of the list; each item carries its level as item data.
struct Difficulty {
    const wchar_t* text;
    std::int32_t level;
    UINT fallInterval;
};
constexpr Difficulty Difficulties[ComboBoxFillCount] = {
    {L"容易", 1, 600},
    {L"正常", 2, 400},
    {L"困难", 3, 200},
};
// What BeginPlay reads when the list has no selection: no level, so the game plays at level 1.
constexpr LPARAM NoSelectionData = 0x7FFFFFFF;

constexpr COLORREF PausedStatusColor = RGB(255, 0, 0);
constexpr COLORREF TextColor = RGB(0, 0, 0);
constexpr int AppIconId = 102;

// Board and panel layout. Across the client area: margin, board (cells and 11 grid lines),
// gap, panel, margin; down: margin, board (cells and 19 grid lines), margin.
constexpr int BoardMargin = 20;
constexpr int PanelGap = 20;
constexpr int PanelWidth = 250;
constexpr int PanelHeight = 570;
constexpr int GridLinesAcross = GameRules::kWellWidth + 1;
constexpr int GridLinesDown = GameRules::kWellHeight + 1;
constexpr int WidthOverhead = 2 * BoardMargin + GridLinesAcross + PanelGap + PanelWidth;
constexpr int HeightOverhead = 2 * BoardMargin + GridLinesDown;
static_assert(WidthOverhead == 321 && HeightOverhead == 59, "board layout");

// Child controls, relative to the panel's top-left corner. The combobox's height includes its
// dropped-down list.
constexpr RECT ComboBoxPlace = {50, 50, 50 + 200, 50 + 200};
constexpr RECT ButtonPlace = {30, 90, 30 + 190, 90 + 23};

// Panel contents, relative to the panel's top; texts run across the panel's width.
constexpr int PromptHeight = 50;
constexpr int HelpLineHeight = 15;
constexpr int RowsRemovedTop = 323;
constexpr int ScoreTop = 360;
constexpr int NextPieceTop = 398;
constexpr int CounterHeight = 18;
// The preview box is a 4 × 4 grid of 23-pixel cells inside a frame, 97 pixels square.
constexpr int PreviewLeft = 76;
constexpr int PreviewTop = 431;
constexpr int PreviewCells = 4;
constexpr int PreviewCellSize = 23;
constexpr int PreviewPitch = PreviewCellSize + 1;
constexpr int PreviewSize = PreviewCells * PreviewPitch + 1;

// Returns the level that a difficulty item's data stands for; anything unknown plays as level 1.
std::int32_t LevelForItemData(LPARAM data) {
    for (const Difficulty& difficulty : Difficulties) {
        if (data == difficulty.level) {
            return difficulty.level;
        }
    }
    return Difficulties[0].level;
}

// Returns the fall interval of a level; an unknown level plays as level 1.
UINT FallIntervalForLevel(std::int32_t level) {
    for (const Difficulty& difficulty : Difficulties) {
        if (difficulty.level == level) {
            return difficulty.fallInterval;
        }
    }
    return Difficulties[0].fallInterval;
}

// What a key does in a game; the keys that do nothing are not listed.
enum class KeyAction { Rotate, MoveLeft, TogglePause, MoveRight, Drop };

struct KeyBinding {
    UINT key;
    KeyAction action;
};
constexpr KeyBinding KeyBindings[] = {
    {VK_SPACE, KeyAction::Rotate}, {VK_LEFT, KeyAction::MoveLeft},
    {'A', KeyAction::MoveLeft},    {VK_UP, KeyAction::TogglePause},
    {'W', KeyAction::TogglePause}, {VK_RIGHT, KeyAction::MoveRight},
    {'D', KeyAction::MoveRight},   {VK_DOWN, KeyAction::Drop},
    {'S', KeyAction::Drop},
};

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

// Selects a cached font; a font that could not be made leaves the DC's current one in use.
void SelectFontIfAny(HDC dc, ObjectId font) {
    HFONT handle = GetFont(font);
    if (handle != nullptr) {
        SelectObject(dc, handle);
    }
}

// Selects a pen for one scope and puts the previous one back at its end, also when the scope is
// left by an exception; a null pen (one that could not be made) leaves the DC's current pen in
// use.
class SelectedPen {
  public:
    SelectedPen(HDC dc, HPEN object)
        : dc_(dc), previous_(object != nullptr ? SelectObject(dc, object) : nullptr) {}
    ~SelectedPen() {
        if (previous_ != nullptr) {
            SelectObject(dc_, previous_);
        }
    }
    SelectedPen(const SelectedPen&) = delete;
    SelectedPen& operator=(const SelectedPen&) = delete;

  private:
    HDC dc_;
    HGDIOBJ previous_;
};

// Puts back, at the end of a scope, the font that a DC had at its start, whatever the scope
// selected in between and however it is left.
class FontRestorer {
  public:
    explicit FontRestorer(HDC dc) : dc_(dc), previous_(GetCurrentObject(dc, OBJ_FONT)) {}
    ~FontRestorer() {
        if (previous_ != nullptr) {
            SelectObject(dc_, previous_);
        }
    }
    FontRestorer(const FontRestorer&) = delete;
    FontRestorer& operator=(const FontRestorer&) = delete;

  private:
    HDC dc_;
    HGDIOBJ previous_;
};

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

// The rules keep a reference to the context's shape table, so the context is built here, before
// the window's first message; the table itself is filled at WM_CREATE.
KvMainWnd::KvMainWnd() : GameRules(GetAppContext().shapes) {
    std::srand(GetTickCount());
}

// A window that outlives its object would lose its WM_DESTROY to the default procedure and keep
// the context filled; destroying it here, while the object is whole, releases the context.
KvMainWnd::~KvMainWnd() {
    if (hwnd != nullptr) {
        DestroyWindow(hwnd);
    }
}

bool KvMainWnd::HandlesPaintItself() const {
    return true;
}

// Returns the answer to one message. The switch is the window's message table: a case that
// returns answers the message itself; a case that breaks ends with the default processing.
LRESULT KvMainWnd::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // clang-format off
    switch (message) {
        case WM_CREATE:             OnCreate(); break;
        case WM_DESTROY:            OnDestroy(); break;
        case WM_SIZE:               OnSize(LOWORD(lParam), HIWORD(lParam)); break;
        case WM_PAINT:              return OnPaint();
        case WM_CLOSE:              return OnClose();
        case WM_KEYDOWN:            OnKeyDown(static_cast<UINT>(wParam)); break;
        case WM_COMMAND:            OnCommand(reinterpret_cast<HWND>(lParam)); break;
        case WM_TIMER:              OnTimer(static_cast<UINT_PTR>(wParam)); break;
        case DestroyRequestMessage: return OnDestroyRequest();
        default:                    break;
    }
    // clang-format on
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// Called at WM_CREATE: the context is filled before the controls need its font and module.
void KvMainWnd::OnCreate() {
    GetAppContext().Initialize();
    CreateControls();
}

// Called at WM_DESTROY; the system destroys the controls and the window's timers with it. The
// cell pictures go with the context's images they were drawn from. The back buffer goes before
// the context lets go of its pens and fonts: deleting it lets go of whatever a paint left
// selected in it (a paint cut short, or a selection that could not be undone), which the caches
// could not delete otherwise.
void KvMainWnd::OnDestroy() {
    ReleaseBuffers();
    cellPictures.Clear();
    GetAppContext().Shutdown();
    PostQuitMessage(0);
}

// Called at WM_SIZE. A zero width or height (creation, minimising) keeps the last layout.
void KvMainWnd::OnSize(int width, int height) {
    if (width == 0 || height == 0) {
        return;
    }
    clientWidth = width;
    clientHeight = height;
    UpdateLayout();
}

LRESULT KvMainWnd::OnPaint() {
    PaintScope paint(hwnd);
    Paint(paint.Dc(), &paint.Rect());
    return 0;
}

// Called at WM_CLOSE. The window is destroyed from its own message instead of inside the close
// command, which the system may be sending from deep inside its own processing; when the
// message cannot be posted, it is destroyed here rather than not at all.
LRESULT KvMainWnd::OnClose() {
    if (!PostMessageW(hwnd, DestroyRequestMessage, 0, 0)) {
        DestroyWindow(hwnd);
    }
    return 0;
}

// A window that cannot be destroyed still ends the run: the loop ends, and the entry function
// destroys the window object, which tries once more.
LRESULT KvMainWnd::OnDestroyRequest() {
    if (!DestroyWindow(hwnd)) {
        PostQuitMessage(0);
    }
    return 0;
}

// Called at WM_KEYDOWN, for every auto-repeat too. The game operations themselves refuse to act
// outside a running, unpaused game with a falling piece.
void KvMainWnd::OnKeyDown(UINT key) {
    const KeyBinding* binding =
        std::find_if(std::begin(KeyBindings), std::end(KeyBindings),
                     [key](const KeyBinding& entry) { return entry.key == key; });
    if (binding == std::end(KeyBindings)) {
        return;
    }
    switch (binding->action) {
        case KeyAction::Rotate:
            if (!paused) {
                RotatePiece();
            }
            break;
        case KeyAction::MoveLeft:
            MovePieceLeft();
            break;
        case KeyAction::TogglePause:
            TogglePause();
            break;
        case KeyAction::MoveRight:
            MovePieceRight();
            break;
        case KeyAction::Drop:
            DropPiece();
            break;
    }
}

// Called at WM_COMMAND. Only the start/stop button sends commands; a command without a control
// (a menu or accelerator) is not the button, even before the button exists.
void KvMainWnd::OnCommand(HWND control) {
    if (control == nullptr || control != startButton) {
        return;
    }
    if (state == GameState::Playing || state == GameState::Landed) {
        StopGame();
    } else {
        StartGame();
    }
}

void KvMainWnd::OnTimer(UINT_PTR id) {
    switch (id) {
        case StartDelayTimer:
            // Outside Starting the tick is ignored and the timer keeps running until BeginPlay.
            if (state == GameState::Starting) {
                BeginPlay();
            }
            break;
        case FallTimer:
            StepPiece();
            break;
        case SpawnTimer:
            AdvanceAfterLanding();
            break;
        case GameOverTimer:
            CompleteGameOver();
            break;
        default:
            break;
    }
}

// Called at WM_CREATE after the context is filled; puts the game into Idle. Always returns true:
// a control that cannot be created leaves the window without it.
bool KvMainWnd::CreateControls() {
    const AppContext& context = GetAppContext();
    HFONT bodyFont = GetFont(context.bodyFont);

    comboBox = CreateComboBox(hwnd, bodyFont);
    SendMessageW(comboBox, CB_RESETCONTENT, 0, 0);
    std::array<LPARAM, ComboBoxFillCount> values;
    std::array<const wchar_t*, ComboBoxFillCount> texts;
    for (int i = 0; i < ComboBoxFillCount; ++i) {
        values[i] = Difficulties[i].level;
        texts[i] = Difficulties[i].text;
    }
    FillComboBox(comboBox, values, texts);

    startButton = CreateWindowExW(0, L"button", CreationCaption, WS_CHILD | WS_VISIBLE | WS_BORDER,
                                  0, 0, 0, 0, hwnd, nullptr, context.moduleHandle, nullptr);
    SendMessageW(startButton, WM_SETFONT, reinterpret_cast<WPARAM>(bodyFont), FALSE);

    state = GameState::Idle;
    SetWindowTextW(startButton, StartCaption);

    HICON icon = LoadIconW(context.moduleHandle, MAKEINTRESOURCEW(AppIconId));
    SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    SetWindowTextW(hwnd, context.windowTitle.c_str());
    return true;
}

// Called after a non-zero client size was stored: the largest cells that leave room for the
// margins and the panel, the board centred in the space left of the panel, and the panel
// centred vertically when the client area is taller than the panel.
void KvMainWnd::UpdateLayout() {
    if (clientWidth == 0 || clientHeight == 0) {
        return;
    }
    const int d = std::min((clientWidth - WidthOverhead) / kWellWidth,
                           (clientHeight - HeightOverhead) / kWellHeight);
    if (d != CellSize()) {
        // The board's pictures of the old size are of no further use.
        cellPictures.Clear();
    }
    boardRect.left = (clientWidth - kWellWidth * d - WidthOverhead) / 2 + BoardMargin;
    boardRect.right = boardRect.left + kWellWidth * d + GridLinesAcross;
    boardRect.top = (clientHeight - kWellHeight * d - HeightOverhead) / 2 + BoardMargin;
    boardRect.bottom = boardRect.top + kWellHeight * d + GridLinesDown;

    panelRect.left = boardRect.right + PanelGap;
    panelRect.right = panelRect.left + PanelWidth;
    if (clientHeight > PanelHeight) {
        panelRect.top = (clientHeight - PanelHeight) / 2;
        panelRect.bottom = panelRect.top + PanelHeight;
    } else {
        panelRect.top = 0;
        panelRect.bottom = clientHeight;
    }

    MoveWindow(comboBox, panelRect.left + ComboBoxPlace.left, panelRect.top + ComboBoxPlace.top,
               ComboBoxPlace.right - ComboBoxPlace.left, ComboBoxPlace.bottom - ComboBoxPlace.top,
               TRUE);
    MoveWindow(startButton, panelRect.left + ButtonPlace.left, panelRect.top + ButtonPlace.top,
               ButtonPlace.right - ButtonPlace.left, ButtonPlace.bottom - ButtonPlace.top, TRUE);
}

int KvMainWnd::CellSize() const {
    return (boardRect.right - boardRect.left - GridLinesAcross) / kWellWidth;
}

RECT KvMainWnd::CellSquare(int x, int y) const {
    const int d = CellSize();
    const int left = boardRect.left + 1 + x * (d + 1);
    const int top = boardRect.top + 1 + y * (d + 1);
    return {left, top, left + d, top + d};
}

RECT KvMainWnd::PreviewRect() const {
    const int left = panelRect.left + PreviewLeft;
    const int top = panelRect.top + PreviewTop;
    return {left, top, left + PreviewSize, top + PreviewSize};
}

// Called between BeginPaint and EndPaint. The whole scene is drawn into the back buffer, whose
// earlier content outside `rect` is still valid, and only `rect` is copied to `dc`. Without a
// back buffer that covers the client area (the system could not make one) the scene is drawn
// straight into `dc`: a paint that flickers rather than a black window.
void KvMainWnd::Paint(HDC dc, const RECT* rect) {
    if (rect == nullptr) {
        return;
    }
    const bool buffered = GrowBuffers(clientWidth, clientHeight);
    HDC target = buffered ? static_cast<HDC>(backBufferDc) : dc;
    DrawScene(target, *rect);
    if (buffered) {
        BitBlt(dc, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top,
               target, rect->left, rect->top, SRCCOPY);
    }
}

void KvMainWnd::DrawScene(HDC dc, const RECT& rect) {
    FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DrawBoardGrid(dc);
    DrawFrame(dc, boardRect);
    DrawBoardCells(dc, rect);
    const FontRestorer font(dc);
    SelectFontIfAny(dc, GetAppContext().headingFont);
    SetBkMode(dc, TRANSPARENT);
    DrawPanelTexts(dc);
    DrawPreview(dc, rect);
    DrawStatusLine(dc);
}

void KvMainWnd::DrawBoardGrid(HDC dc) const {
    SelectedPen gridPen(dc, GetPen(GetAppContext().gridPen));
    const int pitch = CellSize() + 1;
    for (int k = 1; k < kWellWidth; ++k) {
        const int x = boardRect.left + k * pitch;
        DrawLine(dc, x, boardRect.top, x, boardRect.bottom);
    }
    for (int k = 1; k < kWellHeight; ++k) {
        const int y = boardRect.top + k * pitch;
        DrawLine(dc, boardRect.left, y, boardRect.right, y);
    }
}

// Draws the one-pixel frame just inside `frame` with the border pen, or with the DC's current pen
// when the border pen could not be made.
void KvMainWnd::DrawFrame(HDC dc, const RECT& frame) const {
    const ObjectId borderPen = GetAppContext().borderPen;
    SelectedPen pen(dc, borderPen != InvalidObjectId ? GetPen(borderPen) : nullptr);
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
    const int d = CellSize();
    if (currentType != 0) {
        const CellPicture* piece = FindCellPicture(dc, context.pieceImage, d);
        for (const Cell& cell : pieceCells) {
            const RECT square = CellSquare(cell.x, cell.y);
            if (SquareMeets(square.left, square.top, d, rect)) {
                DrawCell(dc, piece, context.pieceImage, square.left, square.top, d, nullptr);
            }
        }
    }
    const CellPicture* block = FindCellPicture(dc, context.blockImage, d);
    for (int x = 0; x < kWellWidth; ++x) {
        for (int y = 0; y < kWellHeight; ++y) {
            if (board[x][y] == 0) {
                continue;
            }
            const RECT square = CellSquare(x, y);
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
void KvMainWnd::DrawPanelTexts(HDC dc) const {
    const AppContext& context = GetAppContext();
    const RECT& p = panelRect;
    DrawTextLine(dc, DifficultyPrompt, p.left, p.top, p.right, p.top + PromptHeight, DT_VCENTER);
    SelectFontIfAny(dc, context.bodyFont);
    for (const HelpLine& line : HelpLines) {
        DrawTextLine(dc, line.text, p.left, p.top + line.top, p.right,
                     p.top + line.top + HelpLineHeight, 0);
    }
    SelectFontIfAny(dc, context.headingFont);
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
    const RECT box = PreviewRect();
    {
        SelectedPen gridPen(dc, GetPen(context.gridPen));
        for (int k = 1; k < PreviewCells; ++k) {
            DrawLine(dc, box.left + k * PreviewPitch, box.top, box.left + k * PreviewPitch,
                     box.bottom);
        }
        for (int k = 1; k < PreviewCells; ++k) {
            DrawLine(dc, box.left, box.top + k * PreviewPitch, box.right,
                     box.top + k * PreviewPitch);
        }
    }
    DrawFrame(dc, box);

    const ShapeRecord* shape =
        nextType != 0 ? context.shapes.FindShape(nextType, nextOrientation) : nullptr;
    if (shape == nullptr) {
        return;
    }
    const CellPicture* piece = FindCellPicture(dc, context.pieceImage, PreviewCellSize);
    for (const Cell& cell : shape->cells) {
        DrawCell(dc, piece, context.pieceImage, box.left + 1 + PreviewPitch * cell.x,
                 box.top + 1 + PreviewPitch * cell.y, PreviewCellSize, &rect);
    }
}

// Draws the status line at the bottom of the panel, in red while the game is paused. The flag
// outlives a stopped game, so a game stopped while paused ends in red.
void KvMainWnd::DrawStatusLine(HDC dc) const {
    if (statusText.IsEmpty()) {
        return;
    }
    RECT band = panelRect;
    if (paused) {
        SetTextColor(dc, PausedStatusColor);
        DrawTextW(dc, statusText.c_str(), -1, &band, DT_SINGLELINE | DT_BOTTOM);
        SetTextColor(dc, TextColor);
    } else {
        DrawTextW(dc, statusText.c_str(), -1, &band, DT_SINGLELINE | DT_BOTTOM);
    }
}

// Called when the start/stop button is pressed while no game runs, or during the pause after a
// lost game. The first piece comes with the start delay's tick.
void KvMainWnd::StartGame() {
    if (state == GameState::Starting || state == GameState::Playing || state == GameState::Landed) {
        return;
    }
    if (state == GameState::GameOverPause) {
        StopGame();
        // The lost game's pending tick would otherwise end the new game as soon as it starts.
        StopTimer(GameOverTimer);
    }
    state = GameState::Idle;
    ClearGame();
    // Without the start delay's tick the game would stay starting for good, with a button that
    // can no longer stop it; it stays idle instead, and a second press may start it.
    if (!StartTimer(StartDelayTimer, StartDelayInterval)) {
        RepaintClientArea();
        return;
    }
    EnableWindow(comboBox, FALSE);
    SetWindowTextW(startButton, StopCaption);
    statusText = PlayingStatus;
    paused = false;
    state = GameState::Starting;
    // The click left the focus on the button; the keys must reach the window.
    SetFocus(hwnd);
    RepaintClientArea();
}

// Called on the start delay's tick in Starting: the level comes from the list, whose selection
// then shows the level played, and the first piece enters the empty well.
void KvMainWnd::BeginPlay() {
    StopTimer(StartDelayTimer);
    LPARAM data = NoSelectionData;
    const LRESULT selection = SendMessageW(comboBox, CB_GETCURSEL, 0, 0);
    if (selection != CB_ERR) {
        data = SendMessageW(comboBox, CB_GETITEMDATA, static_cast<WPARAM>(selection), 0);
    }
    level = LevelForItemData(data);
    const bool falling = StartTimer(FallTimer, FallIntervalForLevel(level));
    SelectComboItemByData(comboBox, level);
    const bool spawning = StartTimer(SpawnTimer, SpawnInterval);
    state = GameState::Playing;
    SpawnPiece();
    // Without its ticks no piece would fall, or none would follow a landing: the game ends as a
    // stopped one does, rather than hang with its controls in their in-game form.
    if (!falling || !spawning) {
        StopGame();
    }
}

// Called on the spawn tick: after a landing the next piece enters, or the game is lost.
void KvMainWnd::AdvanceAfterLanding() {
    if (state != GameState::Landed) {
        return;
    }
    if (SpawnPiece()) {
        state = GameState::Playing;
    } else {
        EndGame();
    }
    RepaintClientArea();
}

// Called on the up arrow or W. The timers keep running: the fall step skips a paused game.
void KvMainWnd::TogglePause() {
    if (state != GameState::Playing) {
        return;
    }
    paused = !paused;
    statusText = paused ? PausedStatus : PlayingStatus;
    RepaintPanel();
}

// Called when the button stops a running game, and before a start during the pause after a lost
// game. The falling piece stays on the board; the pause flag stays until the next start.
void KvMainWnd::StopGame() {
    StopTimer(FallTimer);
    StopTimer(SpawnTimer);
    state = GameState::Idle;
    FreezePiece();
    ShowIdleControls();
    nextType = 0;
    statusText = GameOverStatus;
    RepaintClientArea();
}

// Called by the rules when the game is lost. The controls keep their in-game form until the
// game-over tick, so that a click meant for the lost game does not start a new one at once.
void KvMainWnd::EndGame() {
    StopTimer(FallTimer);
    StopTimer(SpawnTimer);
    state = GameState::GameOverPause;
    FreezePiece();
    nextType = 0;
    // Without the game-over tick the pause after the lost game is cut short.
    if (!StartTimer(GameOverTimer, GameOverInterval)) {
        CompleteGameOver();
        return;
    }
    RepaintClientArea();
}

// Called on the game-over tick, whatever the state.
void KvMainWnd::CompleteGameOver() {
    StopTimer(GameOverTimer);
    state = GameState::Idle;
    ShowIdleControls();
    statusText = GameOverStatus;
    nextType = 0;
    RepaintClientArea();
}

void KvMainWnd::ShowIdleControls() {
    EnableWindow(comboBox, TRUE);
    SetWindowTextW(startButton, StartCaption);
}

bool KvMainWnd::StartTimer(UINT_PTR id, UINT interval) {
    return SetTimer(hwnd, id, interval, nullptr) != 0;
}

void KvMainWnd::StopTimer(UINT_PTR id) {
    KillTimer(hwnd, id);
}

void KvMainWnd::RepaintBoard() {
    Invalidate(&boardRect);
}

void KvMainWnd::RepaintPanel() {
    Invalidate(&panelRect);
}

void KvMainWnd::RepaintClientArea() {
    Invalidate(nullptr);
}

// Asks for `area` (the whole client area when null) to be painted again, without erasing: the
// paint covers every pixel itself. With no window there is nothing to repaint, and a null
// handle would repaint every window on the desktop.
void KvMainWnd::Invalidate(const RECT* area) {
    if (hwnd != nullptr) {
        InvalidateRect(hwnd, area, FALSE);
    }
}
