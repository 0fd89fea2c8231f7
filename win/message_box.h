// Message boxes of the program: captioned with the application name, as every box the user sees.
#pragma once

#include <windows.h>

#include <string>

// Set once at start-up (the executable's name without its extension).
void SetMessageBoxCaption(std::wstring caption);
const std::wstring& MessageBoxCaption();

// Shows `text` with the application's caption; returns the button pressed.
int ShowMessage(HWND owner, const std::wstring& text, UINT type = MB_OK);
