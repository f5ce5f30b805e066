#include "ComboBox.h"

#include "ModuleInstance.h"

namespace {

constexpr DWORD ComboBoxStyle =
    WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | CBS_DISABLENOSCROLL | CBS_DROPDOWNLIST;
static_assert(ComboBoxStyle == 0x50A00803, "combobox style");

// Combobox messages take item indexes as WPARAM; -1 means "at the end" or "no item".
constexpr WPARAM NoIndex = static_cast<WPARAM>(-1);

}  // namespace

HWND CreateComboBox(HWND parent, HFONT font) {
    HWND comboBox = CreateWindowExW(0, L"combobox", L"", ComboBoxStyle, 0, 0, 0, 0, parent, nullptr,
                                    moduleInstance(), nullptr);
    if (comboBox != nullptr && font != nullptr) {
        SendMessageW(comboBox, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    return comboBox;
}

void FillComboBox(HWND comboBox, const std::array<LPARAM, ComboBoxFillCount>& values,
                  const std::array<const wchar_t*, ComboBoxFillCount>& texts) {
    for (int i = 0; i < ComboBoxFillCount; ++i) {
        const wchar_t* text = texts[i] != nullptr ? texts[i] : L"";
        const LRESULT index =
            SendMessageW(comboBox, CB_INSERTSTRING, NoIndex, reinterpret_cast<LPARAM>(text));
        SendMessageW(comboBox, CB_SETITEMDATA, static_cast<WPARAM>(index), values[i]);
        if (values[i] == 1) {
            SendMessageW(comboBox, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        }
    }
}

void SelectComboItemByData(HWND comboBox, LPARAM value) {
    const LRESULT count = SendMessageW(comboBox, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        if (SendMessageW(comboBox, CB_GETITEMDATA, static_cast<WPARAM>(i), 0) == value) {
            SendMessageW(comboBox, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
            return;
        }
    }
    SendMessageW(comboBox, CB_SETCURSEL, NoIndex, 0);
}
