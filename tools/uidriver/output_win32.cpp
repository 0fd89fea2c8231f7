#include "tools/uidriver/output_win32.h"

#include <windows.h>

#include <cwchar>

namespace {
void WriteUtf8(DWORD stream, const std::wstring& text)
{
    const std::string bytes = ToUtf8(text + L"\n");
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(stream), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}
}  // namespace

std::string ToUtf8(const std::wstring& text)
{
    if (text.empty())
        return {};
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr,
                          nullptr);
    return bytes;
}

void PrintLine(const std::wstring& text) { WriteUtf8(STD_OUTPUT_HANDLE, text); }

int Complain(int code, const std::wstring& text)
{
    WriteUtf8(STD_ERROR_HANDLE, L"uidriver: " + text);
    return code;
}

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

std::wstring HexHandle(const void* handle)
{
    wchar_t buffer[32];
    swprintf(buffer, 32, L"0x%08llx", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(handle)));
    return buffer;
}

std::wstring SecondsText(double seconds)
{
    wchar_t buffer[32];
    swprintf(buffer, 32, L"%g s", seconds);
    return buffer;
}
