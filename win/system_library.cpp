#include "win/system_library.h"

#include <cwchar>

FARPROC SystemProcedure(const wchar_t* library, const char* name) noexcept
{
    HMODULE module = ::GetModuleHandleW(library);
    if (!module) {
        wchar_t path[MAX_PATH];
        const UINT length = ::GetSystemDirectoryW(path, MAX_PATH);
        if (length == 0 || length + 1 + std::wcslen(library) >= MAX_PATH)
            return nullptr;
        path[length] = L'\\';
        std::wcscpy(path + length + 1, library);
        // Deliberately never freed: callers keep the function pointers for the process's life.
        module = ::LoadLibraryW(path);
    }
    return module ? ::GetProcAddress(module, name) : nullptr;
}
