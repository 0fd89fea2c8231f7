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
