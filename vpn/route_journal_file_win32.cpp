#include "vpn/route_journal_file_win32.h"

#include "win/handle.h"

namespace {
// Far beyond any route list: a bigger file is not ours.
constexpr LONGLONG kMaxJournalBytes = 16 * 1024 * 1024;

bool IsMissing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }
}  // namespace

IJournalFile::EReadResult CWin32JournalFile::Read(std::string& text)
{
    text.clear();
    CFileHandle file(::CreateFileW(Path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return IsMissing(::GetLastError()) ? EReadResult::Missing : EReadResult::Failed;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.Get(), &size) || size.QuadPart > kMaxJournalBytes)
        return EReadResult::Failed;
    text.resize(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (done < text.size()) {
        DWORD read = 0;
        if (!::ReadFile(file.Get(), &text[done], static_cast<DWORD>(text.size() - done), &read, nullptr))
            return EReadResult::Failed;
        if (read == 0)
            break;
        done += read;
    }
    text.resize(done);
    return EReadResult::Read;
}

bool CWin32JournalFile::Replace(const std::string& text)
{
    const size_t slash = Path.rfind(L'\\');
    if (slash != std::wstring::npos)
        ::CreateDirectoryW(Path.substr(0, slash).c_str(), nullptr);  // usually there already
    const std::wstring fresh = Path + L".new";
    {
        CFileHandle file(::CreateFileW(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file)
            return false;
        DWORD written = 0;
        const bool complete = ::WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written,
                                          nullptr) &&
                              written == text.size() && ::FlushFileBuffers(file.Get());
        if (!complete) {
            file.Reset();
            ::DeleteFileW(fresh.c_str());
            return false;
        }
    }
    if (::MoveFileExW(fresh.c_str(), Path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    ::DeleteFileW(fresh.c_str());
    return false;
}

bool CWin32JournalFile::Remove()
{
    ::DeleteFileW((Path + L".new").c_str());  // a replacement that never got moved into place
    return ::DeleteFileW(Path.c_str()) || IsMissing(::GetLastError());
}
