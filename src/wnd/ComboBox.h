// Free operations that create a drop-down-list combobox, fill it and select an item by its value.
#pragma once

#include <array>

#include <windows.h>

// Number of items FillComboBox adds.
constexpr int ComboBoxFillCount = 3;

// Returns a visible drop-down-list combobox at (0, 0) with size 0 × 0, or null. The font is set
// without a redraw when it is not null.
HWND CreateComboBox(HWND parent, HFONT font);

// Appends the items in order, each carrying its value; the item whose value is 1 becomes the
// selection. A null text is added as an empty item.
void FillComboBox(HWND comboBox, const std::array<LPARAM, ComboBoxFillCount>& values,
                  const std::array<const wchar_t*, ComboBoxFillCount>& texts);

// Selects the first item that carries `value`; with none, the combobox is left without a
// selection.
void SelectComboItemByData(HWND comboBox, LPARAM value);
