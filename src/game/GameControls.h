// The texts and items of the main window's difficulty list and start/stop button: the window
// makes its controls with them, and the game flow changes them as games start and end.
#pragma once

#include <windows.h>

#include <cstdint>

#include "ComboBox.h"

namespace GameControls {

// The button's texts the player sees.
constexpr wchar_t StartCaption[] = L"开始游戏";
constexpr wchar_t StopCaption[] = L"停止游戏";

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

}  // namespace GameControls
