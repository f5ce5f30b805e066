// The game's main window: the front end of the game flow, which lays out the board and the side
// panel, paints the scene and owns the difficulty list and the start/stop button.
#pragma once

#include <windows.h>

#include "CellPictureCache.h"
#include "DcSelection.h"
#include "GameFlow.h"
#include "KvWnd.h"
#include "SceneLayout.h"

class KvMainWnd : public KvWnd, public GameFlow {
  public:
    // Posted to itself on WM_CLOSE; the window is destroyed when it arrives.
    static constexpr UINT DestroyRequestMessage = WM_USER + 107;

    // Seeds the random generator that chooses the pieces.
    KvMainWnd();
    ~KvMainWnd() override;

    bool HandlesPaintItself() const override;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Paint(HDC dc, const RECT* rect) override;

    void CreateControls();
    void UpdateLayout();

  protected:
    // The front end of the game flow.
    bool StartTimer(std::uintptr_t id, std::uint32_t interval) override;
    void StopTimer(std::uintptr_t id) override;
    void ShowGameControls() override;
    void ShowIdleControls() override;
    std::intptr_t ChosenLevel() const override;
    void ShowLevel(std::int32_t level) override;
    void TakeFocus() override;
    void RepaintBoard() override;
    void RepaintPanel() override;
    void RepaintClientArea() override;

    HWND comboBox = nullptr;
    HWND startButton = nullptr;
    // The board and the panel as the last layout placed them.
    RECT boardRect = {0, 0, 0, 0};
    RECT panelRect = {0, 0, 0, 0};
    SceneLayout layout;
    // Whether cells are copied from pictures rendered once per cell size (the default) or drawn
    // piece by piece at every paint; both give the same pixels.
    bool cellPicturesCached = true;

  private:
    void OnCreate();
    void OnDestroy();
    void OnSize(int width, int height);
    LRESULT OnPaint();
    LRESULT OnClose();
    void OnCommand(HWND control);
    LRESULT OnDestroyRequest();

    void DetachInputMethod();
    void Invalidate(const RECT* area);

    void DrawScene(HDC dc, const RECT& rect);
    void DrawBoardGrid(HDC dc) const;
    void DrawFrame(HDC dc, const RECT& frame) const;
    void DrawBoardCells(HDC dc, const RECT& rect);
    void DrawPanelTexts(HDC dc, DcSelection& font) const;
    void DrawPreview(HDC dc, const RECT& rect);
    const CellPicture* FindCellPicture(HDC dc, const KvJigsawImage& image, int size);
    void DrawStatusLine(HDC dc) const;

    int clientWidth = 0;
    int clientHeight = 0;
    CellPictureCache cellPictures;
};
