// One small owner for every kind of Windows handle: closes what it holds, moves, never copies.
#pragma once

#include <windows.h>
#include <winsock2.h>

#include <utility>

template <typename Traits>
class CHandle {
public:
    using Type = typename Traits::Type;

    CHandle() noexcept = default;
    explicit CHandle(Type handle) noexcept : m_handle(handle) {}
    ~CHandle() { Reset(); }

    CHandle(CHandle&& other) noexcept : m_handle(other.Release()) {}
    CHandle& operator=(CHandle&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;

    Type Get() const noexcept { return m_handle; }
    bool Valid() const noexcept { return m_handle != Traits::Invalid(); }
    explicit operator bool() const noexcept { return Valid(); }

    Type Release() noexcept { return std::exchange(m_handle, Traits::Invalid()); }
    void Reset(Type handle = Traits::Invalid()) noexcept
    {
        Type old = std::exchange(m_handle, handle);
        if (old != Traits::Invalid())
            Traits::Close(old);
    }

private:
    Type m_handle = Traits::Invalid();
};

namespace handle_traits {
struct Kernel {  // events, threads, processes, mutexes, pipes: NULL when absent
    using Type = HANDLE;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::CloseHandle(h); }
};
struct File {  // CreateFile results: INVALID_HANDLE_VALUE when absent
    using Type = HANDLE;
    static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) noexcept { ::CloseHandle(h); }
};
struct RegistryKey {
    using Type = HKEY;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::RegCloseKey(h); }
};
struct Socket {
    using Type = SOCKET;
    static Type Invalid() noexcept { return INVALID_SOCKET; }
    static void Close(Type h) noexcept { ::closesocket(h); }
};
struct Module {
    using Type = HMODULE;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::FreeLibrary(h); }
};
struct GdiObject {
    using Type = HGDIOBJ;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::DeleteObject(h); }
};
struct MemoryDc {
    using Type = HDC;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::DeleteDC(h); }
};
struct Icon {
    using Type = HICON;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::DestroyIcon(h); }
};
struct Menu {
    using Type = HMENU;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::DestroyMenu(h); }
};
struct LocalMemory {
    using Type = HLOCAL;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::LocalFree(h); }
};
}  // namespace handle_traits

using CKernelHandle = CHandle<handle_traits::Kernel>;
using CFileHandle = CHandle<handle_traits::File>;
using CRegistryKey = CHandle<handle_traits::RegistryKey>;
using CSocket = CHandle<handle_traits::Socket>;
using CModule = CHandle<handle_traits::Module>;
using CGdiObject = CHandle<handle_traits::GdiObject>;
using CMemoryDc = CHandle<handle_traits::MemoryDc>;
using CIconHandle = CHandle<handle_traits::Icon>;
using CMenuHandle = CHandle<handle_traits::Menu>;
using CLocalMemory = CHandle<handle_traits::LocalMemory>;
