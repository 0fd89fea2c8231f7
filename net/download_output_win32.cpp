#include "net/download_output_win32.h"

#include <algorithm>
#include <new>

bool CMemoryDownloadOutput::Write(std::string bytes)
{
    if (m_bytes.empty()) {
        m_bytes = std::move(bytes);
        return true;
    }
    try {
        m_bytes.append(bytes);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool CFileDownloadOutput::Open(const std::wstring& path)
{
    m_file.Reset(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    return m_file.Valid();
}

bool CFileDownloadOutput::Write(std::string body)
{
    if (!m_file)
        return false;
    std::string_view bytes(body);
    while (!bytes.empty()) {
        const DWORD piece = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(m_file.Get(), bytes.data(), piece, &written, nullptr) || written == 0)
            return false;
        bytes.remove_prefix(written);
    }
    return true;
}
