// Path arithmetic of the application object, on Windows-style paths.
#pragma once

#include <string>
#include <string_view>

// The folder part of a path, up to and including its last backslash; empty without one.
std::wstring DirectoryOf(std::wstring_view path);
// The file name without its folder and without its last extension ("C:\x\korvex.exe" -> "korvex").
std::wstring ApplicationNameOf(std::wstring_view modulePath);
// The override file beside the executable: the executable's full path with ".ini" appended.
std::wstring OverrideFileOf(std::wstring_view modulePath);
// The route journal in the product's folder of the user's local application data.
std::wstring RouteJournalFileOf(std::wstring_view localAppData, std::wstring_view productName);
