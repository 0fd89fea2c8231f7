// Commands on the client's settings store: each test starts from a store it seeded itself. The
// values go through the client's own store and password code, so they have the client's format.
#include "app/korvex_app_win32.h"
#include "app/password_win32.h"
#include "app/registry_settings_win32.h"
#include "tools/uidriver/commands_win32.h"
#include "tools/uidriver/output_win32.h"
#include "win/handle.h"

#include <shlwapi.h>

namespace {
// The executable's name without ".exe" names the client's key; --app picks another copy's.
std::wstring ApplicationName(const CCommandLine& line) { return line.Value(L"app").value_or(L"korvex"); }

CRegistrySettingsStore StoreOf(const CCommandLine& line) { return {kCompanyName, ApplicationName(line)}; }

std::wstring Hex(const std::vector<uint8_t>& bytes)
{
    static const wchar_t kDigits[] = L"0123456789abcdef";
    std::wstring text;
    for (uint8_t byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 15];
    }
    return text;
}

bool FromHex(const std::wstring& text, std::vector<uint8_t>& bytes)
{
    auto digit = [](wchar_t c) { return c >= L'0' && c <= L'9' ? c - L'0' : (c | 0x20) - L'a' + 10; };
    if (text.size() % 2 != 0 || text.find_first_not_of(L"0123456789abcdefABCDEF") != std::wstring::npos)
        return false;
    for (size_t i = 0; i < text.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(digit(text[i]) * 16 + digit(text[i + 1])));
    return true;
}
}  // namespace

int StoreClearCommand(const CCommandLine& line)
{
    const std::wstring key = std::wstring(L"software\\") + kCompanyName + L"\\" + ApplicationName(line);
    const LSTATUS status = ::SHDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
        return Complain(kExitFailed, L"could not delete HKCU\\" + key + L" (error " + std::to_wstring(status) + L")");
    return kExitOk;
}

int StoreSetStringCommand(const CCommandLine& line)
{
    const auto& words = line.Positional();
    StoreOf(line).WriteString(words.at(0), words.at(1), std::wstring_view(words.at(2)));
    return kExitOk;
}

int StoreSetIntCommand(const CCommandLine& line)
{
    const auto& words = line.Positional();
    long long value = 0;
    if (!ParseNumber(words.at(2), value))
        return Complain(kExitUsage, L"not a number: " + Quoted(words.at(2)));
    StoreOf(line).WriteInt(words.at(0), words.at(1), static_cast<int32_t>(value));
    return kExitOk;
}

int StoreSetBlobCommand(const CCommandLine& line)
{
    const auto& words = line.Positional();
    std::vector<uint8_t> bytes;
    if (!FromHex(words.at(2), bytes))
        return Complain(kExitUsage, L"not hexadecimal bytes: " + Quoted(words.at(2)));
    StoreOf(line).WriteBlob(words.at(0), words.at(1), bytes);
    return kExitOk;
}

int ProtectPasswordCommand(const CCommandLine& line)
{
    const std::vector<uint8_t> blob = ProtectPassword(line.Positional().at(0));
    if (blob.empty())
        return Complain(kExitFailed, L"CryptProtectData refused the password");
    StoreOf(line).WriteBlob(L"Main", L"Password", blob);
    return kExitOk;
}

// Prints a value as the client would read it: a number, a text, or a blob in hexadecimal (with
// --unprotect: the password inside it).
int StoreGetCommand(const CCommandLine& line)
{
    const auto& words = line.Positional();
    const std::wstring path = StoreOf(line).SectionPath(words.at(0));
    HKEY opened = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
        return Complain(kExitFailed, L"no section HKCU\\" + path);
    CRegistryKey section(opened);
    DWORD type = 0;
    DWORD size = 0;
    if (::RegQueryValueExW(opened, words.at(1).c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return Complain(kExitFailed, L"no value " + words.at(1) + L" in HKCU\\" + path);
    std::vector<uint8_t> data(size);
    ::RegQueryValueExW(opened, words.at(1).c_str(), nullptr, &type, data.data(), &size);
    data.resize(size);

    if (type == REG_DWORD && size == sizeof(DWORD)) {
        DWORD value = 0;
        memcpy(&value, data.data(), sizeof value);
        PrintLine(std::to_wstring(static_cast<int32_t>(value)));
    } else if (type == REG_SZ) {
        std::wstring text(size / sizeof(wchar_t), L'\0');
        memcpy(text.data(), data.data(), text.size() * sizeof(wchar_t));
        PrintLine(text.c_str());  // up to the terminating zero
    } else if (line.Has(L"unprotect")) {
        const auto password = UnprotectPassword(data);
        if (!password)
            return Complain(kExitFailed, words.at(1) + L" cannot be unprotected");
        PrintLine(*password);
    } else {
        PrintLine(Hex(data));
    }
    return kExitOk;
}
