#include <cwchar>
#include <array>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "ComboBox.h"
#include "WindowPlacement.h"
#include "WindowTestSupport.h"

namespace {

// The text by which places are compared: the corner, then the outer size.
std::string Place(LONG x, LONG y, LONG width, LONG height) {
    std::ostringstream text;
    text << "(" << x << ", " << y << ") " << width << " x " << height;
    return text.str();
}

// Describes where a window is in its parent's client area, or on the screen, and its outer size.
std::string PlaceOf(HWND hwnd) {
    RECT rect = {};
    GetWindowRect(hwnd, &rect);
    MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&rect), 2);
    return Place(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
}

struct CenterCase {
    const char* name;
    SIZE area;
    SIZE window;
    POINT expected;
};

TEST(KvWndPlacement, CenterWindowPlacesAChildByHalfTheSizeDifference) {
    const CenterCase cases[] = {
        {"smaller", {400, 300}, {100, 50}, {150, 125}},
        {"odd difference", {400, 300}, {93, 51}, {153, 124}},
        {"larger", {400, 300}, {405, 307}, {-2, -3}},
    };
    for (const CenterCase& entry : cases) {
        RecordingWindow parent;
        ASSERT_TRUE(parent.CreateAt(70, 30, entry.area.cx, entry.area.cy));
        RecordingWindow child;
        ASSERT_TRUE(child.CreateChild(parent.GetHwnd(), nullptr));
        MoveWindow(child.GetHwnd(), 1, 2, entry.window.cx, entry.window.cy, FALSE);
        CenterWindow(child.GetHwnd());
        EXPECT_EQ(Place(entry.expected.x, entry.expected.y, entry.window.cx, entry.window.cy),
                  PlaceOf(child.GetHwnd()))
            << entry.name;
    }
}

// The work area is the desktop's; the test puts it back when it ends.
class KvWndWorkArea : public testing::Test {
  protected:
    void SetUp() override { SystemParametersInfoW(SPI_GETWORKAREA, 0, &saved_, 0); }
    void TearDown() override { SystemParametersInfoW(SPI_SETWORKAREA, 0, &saved_, 0); }
    void UseWorkArea(RECT area) {
        ASSERT_TRUE(SystemParametersInfoW(SPI_SETWORKAREA, 0, &area, 0));
        RECT now = {};
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &now, 0);
        ASSERT_TRUE(EqualRect(&area, &now));
    }

  private:
    RECT saved_ = {};
};

TEST_F(KvWndWorkArea, CenterWindowUsesTheWorkAreaSizeButNotItsOrigin) {
    const struct {
        const char* name;
        RECT area;
        POINT expected;
    } cases[] = {
        {"origin at zero", {0, 0, 1920, 1040}, {635, 195}},
        {"task bar left and top", {100, 50, 1124, 818}, {187, 59}},
    };
    for (const auto& entry : cases) {
        UseWorkArea(entry.area);
        RecordingWindow window;
        ASSERT_TRUE(window.CreateAt(3, 4, 650, 650));
        CenterWindow(window.GetHwnd());
        EXPECT_EQ(Place(entry.expected.x, entry.expected.y, 650, 650), PlaceOf(window.GetHwnd()))
            << entry.name;
    }
}

// Wherever a failed call left it, a window that is neither minimised nor maximised is brought
// back the least distance onto the work area.
TEST(KvWndPlacement, KeepOnWorkAreaBringsAWindowBackInsideTheWorkArea) {
    RECT area = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, area.left - 300, area.top - 200, 400,
                                  300, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    KeepOnWorkArea(window);
    EXPECT_EQ(Place(area.left, area.top, 400, 300), PlaceOf(window));
    MoveWindow(window, area.right - 100, area.bottom - 50, 400, 300, FALSE);
    KeepOnWorkArea(window);
    EXPECT_EQ(Place(area.right - 400, area.bottom - 300, 400, 300), PlaceOf(window));
    DestroyWindow(window);
}

// Describes a window's state and place as the system reports them.
std::string StateOf(HWND hwnd) {
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    GetWindowPlacement(hwnd, &placement);
    const RECT& normal = placement.rcNormalPosition;
    return std::string(IsIconic(hwnd) ? "minimised, " : "") +
           (IsZoomed(hwnd) ? "maximised, " : "") + "shown " + std::to_string(placement.showCmd) +
           " at " + PlaceOf(hwnd) + ", normally at " +
           Place(normal.left, normal.top, normal.right - normal.left, normal.bottom - normal.top);
}

// A launcher may start the game minimised or maximised. A minimised window is parked far off
// the screen and a maximised one reaches past the work area by its frame, both on purpose:
// moving either would bring a stray caption onto the desktop or shift it off its place, so
// neither is even asked to move.
TEST(KvWndPlacement, KeepOnWorkAreaLeavesAMinimisedOrMaximisedWindowAsItIs) {
    const struct {
        const char* name;
        int show;
    } cases[] = {{"minimised", SW_SHOWMINNOACTIVE}, {"maximised", SW_SHOWMAXIMIZED}};
    for (const auto& entry : cases) {
        RecordingWindow window;
        ASSERT_TRUE(window.CreateAt(100, 80, 650, 650, WS_OVERLAPPEDWINDOW));
        ShowWindow(window.GetHwnd(), entry.show);
        const std::string before = StateOf(window.GetHwnd());
        ASSERT_TRUE(IsIconic(window.GetHwnd()) || IsZoomed(window.GetHwnd())) << entry.name;
        window.log->clear();
        KeepOnWorkArea(window.GetHwnd());
        EXPECT_EQ(before, StateOf(window.GetHwnd())) << entry.name;
        // Wine keeps a minimised window parked whatever it is asked; Windows moves it.
        for (const RecordedMessage& message : *window.log) {
            EXPECT_NE(message.message, static_cast<UINT>(WM_WINDOWPOSCHANGING)) << entry.name;
        }
    }
}

TEST(KvWndPlacement, ResizeKeepingPositionKeepsTheCornerOfATopLevelWindowAndOfAFramedChild) {
    RecordingWindow parent;
    ASSERT_TRUE(parent.CreateAt(123, 45, 200, 100, WS_OVERLAPPEDWINDOW));
    RecordingWindow child;
    ASSERT_TRUE(child.CreateChild(parent.GetHwnd(), nullptr));
    MoveWindow(child.GetHwnd(), 30, 20, 50, 40, FALSE);
    ResizeKeepingPosition(parent, 650, 650);
    ResizeKeepingPosition(child, 120, 90);
    EXPECT_EQ(Place(123, 45, 650, 650), PlaceOf(parent.GetHwnd()));
    EXPECT_EQ(Place(30, 20, 120, 90), PlaceOf(child.GetHwnd()));
}

class KvWndComboBox : public testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(parent.CreateAt(0, 0, 300, 200)); }

    std::vector<std::wstring> Texts() const {
        std::vector<std::wstring> texts;
        const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            wchar_t text[64] = {};
            SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            texts.push_back(text);
        }
        return texts;
    }
    LRESULT Data(int index) const { return SendMessageW(combo, CB_GETITEMDATA, index, 0); }
    LRESULT Selection() const { return SendMessageW(combo, CB_GETCURSEL, 0, 0); }

    RecordingWindow parent;
    HWND combo = nullptr;
};

std::vector<std::pair<HWND, LONG>> createdStyles;

LRESULT CALLBACK RecordCreatedStyle(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        const auto* create = reinterpret_cast<const CBT_CREATEWNDW*>(lParam);
        createdStyles.emplace_back(reinterpret_cast<HWND>(wParam), create->lpcs->style);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The combobox hands WS_BORDER and WS_VSCROLL on to its list, so the style asked for is read
// at creation time.
TEST_F(KvWndComboBox, CreateComboBoxMakesAVisibleDropDownListChild) {
    HHOOK hook = SetWindowsHookExW(WH_CBT, RecordCreatedStyle, nullptr, GetCurrentThreadId());
    ASSERT_NE(nullptr, hook);
    combo = CreateComboBox(parent.GetHwnd(), nullptr);
    UnhookWindowsHookEx(hook);
    ASSERT_NE(nullptr, combo);
    ASSERT_FALSE(createdStyles.empty());
    EXPECT_EQ(combo, createdStyles.front().first);
    EXPECT_EQ(0x50A00803, createdStyles.front().second);
    wchar_t className[32] = {};
    GetClassNameW(combo, className, 32);
    EXPECT_EQ(0, _wcsicmp(L"combobox", className)) << className;
    EXPECT_EQ(parent.GetHwnd(), GetParent(combo));
    EXPECT_EQ(0, GetDlgCtrlID(combo));
}

std::vector<CWPSTRUCT> setFontCalls;

LRESULT CALLBACK RecordSetFont(int code, WPARAM wParam, LPARAM lParam) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_SETFONT) {
        setFontCalls.push_back(*call);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(KvWndComboBox, TheFontIsSentOnlyWhenThereIsOne) {
    HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, RecordSetFont, nullptr, GetCurrentThreadId());
    ASSERT_NE(nullptr, hook);
    for (HFONT given : {font, static_cast<HFONT>(nullptr)}) {
        setFontCalls.clear();
        combo = CreateComboBox(parent.GetHwnd(), given);
        std::vector<CWPSTRUCT> toCombo;
        for (const CWPSTRUCT& call : setFontCalls) {
            if (call.hwnd == combo) {
                toCombo.push_back(call);
            }
        }
        ASSERT_EQ(given != nullptr ? 1u : 0u, toCombo.size());
        if (given != nullptr) {
            EXPECT_EQ(reinterpret_cast<WPARAM>(font), toCombo[0].wParam);
            EXPECT_EQ(FALSE, toCombo[0].lParam);
        }
    }
    UnhookWindowsHookEx(hook);
}

TEST_F(KvWndComboBox, FillComboBoxAppendsItemsWithTheirValuesAndSelectsValueOne) {
    const struct {
        std::array<LPARAM, 3> values;
        LRESULT selection;
    } cases[] = {
        {{1, 2, 3}, 1},
        {{3, 1, 2}, 2},
        {{4, 5, 6}, CB_ERR},
    };
    for (const auto& entry : cases) {
        combo = CreateComboBox(parent.GetHwnd(), nullptr);
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"earlier"));
        FillComboBox(combo, entry.values, {L"容易", L"正常", L"困难"});
        EXPECT_EQ((std::vector<std::wstring>{L"earlier", L"容易", L"正常", L"困难"}), Texts());
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(entry.values[i], Data(i + 1)) << i;
        }
        EXPECT_EQ(entry.selection, Selection()) << entry.values[0];
    }
}

TEST_F(KvWndComboBox, SelectComboItemByDataSelectsTheFirstMatchOrNothing) {
    const struct {
        const char* name;
        bool filled;
        LPARAM value;
        LRESULT selection;
    } cases[] = {
        {"match", true, 3, 2},
        {"first of two matches", true, 2, 1},
        {"no match clears", true, 9, CB_ERR},
        {"empty list", false, 1, CB_ERR},
    };
    for (const auto& entry : cases) {
        combo = CreateComboBox(parent.GetHwnd(), nullptr);
        if (entry.filled) {
            FillComboBox(combo, {1, 2, 3}, {L"a", L"b", L"c"});
            const LRESULT extra =
                SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"d"));
            SendMessageW(combo, CB_SETITEMDATA, extra, 2);
            SendMessageW(combo, CB_SETCURSEL, 0, 0);
        }
        SelectComboItemByData(combo, entry.value);
        EXPECT_EQ(entry.selection, Selection()) << entry.name;
    }
}

}  // namespace
