// Decides from a window's class name which skin object, if any, it gets.
#pragma once

#include <windows.h>
#include <string_view>

enum class SkinKind : int { None = 0, Dialog = 2, Edit = 3, Button = 6, Static = 7 };

[[nodiscard]] SkinKind ClassifyClassName(std::string_view className) noexcept;
[[nodiscard]] SkinKind ClassifyWindow(HWND wnd);
