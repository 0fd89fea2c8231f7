#include "win/window_text.h"

std::wstring ReadWindowText(HWND window)
{
    if (!window)
        return {};
    // The length may be an overestimate (double-byte texts); the copy says what was written.
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

void WriteWindowText(HWND window, std::wstring_view text)
{
    ::SetWindowTextW(window, std::wstring(text).c_str());
}
