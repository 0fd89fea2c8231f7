#include "win/system_library.h"

#include <cwchar>

namespace {
// Loads the DLL from the system folder by its full path, never from the program's folder.
HMODULE LoadFromSystemFolder(const wchar_t* library) noexcept
{
    wchar_t path[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0 || length + 1 + std::wcslen(library) >= MAX_PATH)
        return nullptr;
    path[length] = L'\\';
    std::wcscpy(path + length + 1, library);
    return ::LoadLibraryW(path);
}
}  // namespace

FARPROC SystemProcedure(const wchar_t* library, const char* name) noexcept
{
    HMODULE module = ::GetModuleHandleW(library);
    // Deliberately never freed: callers keep the function pointers for the process's life.
    if (!module)
        module = LoadFromSystemFolder(library);
    return module ? ::GetProcAddress(module, name) : nullptr;
}

CSystemLibrary::CSystemLibrary(const wchar_t* library) noexcept : m_module(LoadFromSystemFolder(library)) {}

CSystemLibrary::~CSystemLibrary()
{
    if (m_module)
        ::FreeLibrary(m_module);
}
