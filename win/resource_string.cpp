#include "win/resource_string.h"

std::wstring LoadResourceString(UINT id)
{
    // With no buffer the system hands out a pointer into the resource itself.
    const wchar_t* text = nullptr;
    const int length = ::LoadStringW(::GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 ? std::wstring(text, static_cast<size_t>(length)) : std::wstring();
}
