#include "app/app_paths.h"

std::wstring DirectoryOf(std::wstring_view path)
{
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring_view::npos ? std::wstring() : std::wstring(path.substr(0, slash + 1));
}

std::wstring ApplicationNameOf(std::wstring_view modulePath)
{
    const size_t slash = modulePath.find_last_of(L"\\/");
    std::wstring_view name = slash == std::wstring_view::npos ? modulePath : modulePath.substr(slash + 1);
    const size_t dot = name.rfind(L'.');
    if (dot != std::wstring_view::npos && dot != 0)
        name = name.substr(0, dot);
    return std::wstring(name);
}

std::wstring OverrideFileOf(std::wstring_view modulePath)
{
    return std::wstring(modulePath) + L".ini";
}

std::wstring RouteJournalFileOf(std::wstring_view localAppData, std::wstring_view productName)
{
    std::wstring path(localAppData);
    if (!path.empty() && path.back() != L'\\')
        path += L'\\';
    return path + std::wstring(productName) + L"\\routes.journal";
}
