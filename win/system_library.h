// Functions of system DLLs the program needs only now and then (data protection, the save-file
// dialog, OLE for the notice pane), looked up when first called instead of imported: an import
// loads the DLL, and everything it imports in turn, at every start, whether used or not.
#pragma once

#include <windows.h>

// The function from the DLL of that name in the system folder (never from the program's own
// folder), or null when either is missing. A DLL loaded here stays loaded until the process ends.
FARPROC SystemProcedure(const wchar_t* library, const char* name) noexcept;

template <typename Function>
Function SystemFunction(const wchar_t* library, const char* name) noexcept
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(SystemProcedure(library, name)));
}

// A system DLL held for one piece of work and freed with this object, for DLLs that bring
// megabytes of their own dependencies and are needed only for a moment (data protection).
// Function pointers taken from it must not outlive it.
class CSystemLibrary
{
public:
    explicit CSystemLibrary(const wchar_t* library) noexcept;
    ~CSystemLibrary();
    CSystemLibrary(const CSystemLibrary&) = delete;
    CSystemLibrary& operator=(const CSystemLibrary&) = delete;

    template <typename Function>
    Function Get(const char* name) const noexcept
    {
        return m_module ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(m_module, name)))
                        : nullptr;
    }

private:
    HMODULE m_module;
};
