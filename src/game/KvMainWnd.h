// The game's main window: it runs a game through its states, lays out the board and the side
// panel, paints the scene and owns the difficulty list and the start/stop button.
#pragma once

#include <windows.h>

#include "CellPictureCache.h"
#include "GameRules.h"
#include "KvWnd.h"
#include "WideString.h"

class KvMainWnd : public KvWnd, public GameRules {
  public:
    // The game's window timers; the framework keeps id 1 for itself.
    static constexpr UINT_PTR StartDelayTimer = 3;
    static constexpr UINT_PTR FallTimer = 4;
    static constexpr UINT_PTR SpawnTimer = 5;
    static constexpr UINT_PTR GameOverTimer = 6;
    static constexpr UINT StartDelayInterval = 100;
    static constexpr UINT SpawnInterval = 100;
    static constexpr UINT GameOverInterval = 100;
    // Posted to itself on WM_CLOSE; the window is destroyed when it arrives.
    static constexpr UINT DestroyRequestMessage = WM_USER + 107;

    // Seeds the random generator that chooses the pieces.
    KvMainWnd();
    ~KvMainWnd() override;

    bool HandlesPaintItself() const override;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Paint(HDC dc, const RECT* rect) override;

    bool CreateControls();
    void UpdateLayout();

    void StartGame();
    void BeginPlay();
    void AdvanceAfterLanding();
    void StopGame();
    void CompleteGameOver();
    void TogglePause();

    HWND ComboBoxHandle() const { return comboBox; }
    HWND StartButtonHandle() const { return startButton; }
    const RECT& BoardRect() const { return boardRect; }
    const RECT& PanelRect() const { return panelRect; }
    const WideString& StatusText() const { return statusText; }
    // Returns the side of a board cell in pixels, as the last layout chose it.
    int CellSize() const;
    // Returns the board cell (x, y) as a square of CellSize() pixels in client coordinates.
    RECT CellSquare(int x, int y) const;
    // Returns the preview box, frame included, in client coordinates.
    RECT PreviewRect() const;

  protected:
    void RepaintBoard() override;
    void RepaintClientArea() override;
    void EndGame() override;
    void RepaintPanel();

    // Every game timer starts and stops through these two. Returns false when the system could
    // not start the timer: no tick will come.
    virtual bool StartTimer(UINT_PTR id, UINT interval);
    virtual void StopTimer(UINT_PTR id);

    // Whether cells are copied from pictures rendered once per cell size (the default) or drawn
    // piece by piece at every paint; both give the same pixels.
    bool cellPicturesCached = true;

  private:
    void OnCreate();
    void OnDestroy();
    void OnSize(int width, int height);
    LRESULT OnPaint();
    LRESULT OnClose();
    void OnKeyDown(UINT key);
    void OnCommand(HWND control);
    void OnTimer(UINT_PTR id);
    LRESULT OnDestroyRequest();

    void DetachInputMethod();
    void ShowIdleControls();
    void Invalidate(const RECT* area);

    void DrawScene(HDC dc, const RECT& rect);
    void DrawBoardGrid(HDC dc) const;
    void DrawFrame(HDC dc, const RECT& frame) const;
    void DrawBoardCells(HDC dc, const RECT& rect);
    void DrawPanelTexts(HDC dc) const;
    void DrawPreview(HDC dc, const RECT& rect);
    const CellPicture* FindCellPicture(HDC dc, const KvJigsawImage& image, int size);
    void DrawStatusLine(HDC dc) const;

    HWND comboBox = nullptr;
    HWND startButton = nullptr;
    int clientWidth = 0;
    int clientHeight = 0;
    RECT boardRect = {0, 0, 0, 0};
    RECT panelRect = {0, 0, 0, 0};
    WideString statusText;
    CellPictureCache cellPictures;
};
