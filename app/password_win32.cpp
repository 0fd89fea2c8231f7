#include "app/password_win32.h"

#include "win/handle.h"
#include "win/system_library.h"

#include <wincrypt.h>

#include <cwchar>

namespace {
// The same description, empty entropy and flags on both sides: the blob format other installs
// of the program read and write.
constexpr wchar_t kDescription[] = L"Korvex";
constexpr DWORD kFlags = CRYPTPROTECT_AUDIT;

// crypt32 comes in only while a password is protected or read, and goes again (it is several
// megabytes with what it loads); without it the system refused, as far as the caller can tell.
using ProtectFunction = BOOL(WINAPI*)(DATA_BLOB*, LPCWSTR, DATA_BLOB*, PVOID, CRYPTPROTECT_PROMPTSTRUCT*, DWORD,
                                      DATA_BLOB*);
using UnprotectFunction = BOOL(WINAPI*)(DATA_BLOB*, LPWSTR*, DATA_BLOB*, PVOID, CRYPTPROTECT_PROMPTSTRUCT*, DWORD,
                                        DATA_BLOB*);
}  // namespace

std::vector<uint8_t> ProtectPassword(std::wstring_view password)
{
    std::wstring text(password);  // protected with its terminating zero
    DATA_BLOB input{static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)),
                    reinterpret_cast<BYTE*>(text.data())};
    BYTE noEntropy = 0;
    DATA_BLOB entropy{0, &noEntropy};
    DATA_BLOB output{};
    const CSystemLibrary crypt32(L"crypt32.dll");
    const auto protect = crypt32.Get<ProtectFunction>("CryptProtectData");
    if (!protect || !protect(&input, kDescription, &entropy, nullptr, nullptr, kFlags, &output))
        return {};
    CLocalMemory owner(output.pbData);
    return std::vector<uint8_t>(output.pbData, output.pbData + output.cbData);
}

std::optional<std::wstring> UnprotectPassword(const std::vector<uint8_t>& blob)
{
    if (blob.empty())
        return std::nullopt;
    std::vector<uint8_t> copy(blob);
    DATA_BLOB input{static_cast<DWORD>(copy.size()), copy.data()};
    BYTE noEntropy = 0;
    DATA_BLOB entropy{0, &noEntropy};
    DATA_BLOB output{};
    LPWSTR description = nullptr;
    const CSystemLibrary crypt32(L"crypt32.dll");
    const auto unprotect = crypt32.Get<UnprotectFunction>("CryptUnprotectData");
    if (!unprotect || !unprotect(&input, &description, &entropy, nullptr, nullptr, kFlags, &output))
        return std::nullopt;
    CLocalMemory descriptionOwner(description);
    CLocalMemory outputOwner(output.pbData);
    // Use the plaintext as a zero-terminated string, but never read past what was returned.
    const auto* chars = reinterpret_cast<const wchar_t*>(output.pbData);
    const size_t count = output.cbData / sizeof(wchar_t);
    std::wstring password(chars, wcsnlen(chars, count));
    ::SecureZeroMemory(output.pbData, output.cbData);
    return password;
}
