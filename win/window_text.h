// The one way the program reads and writes a window's text.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// The whole text, however long; empty for a window that is not there.
std::wstring ReadWindowText(HWND window);
void WriteWindowText(HWND window, std::wstring_view text);
