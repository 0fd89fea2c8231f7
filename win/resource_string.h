// A string from this module's string table.
#pragma once

#include <windows.h>

#include <string>

// Empty when the string is not there.
std::wstring LoadResourceString(UINT id);
