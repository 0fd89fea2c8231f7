#include "base/file_io.h"

#include <cstdint>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Native wide text is UTF-32.
std::string Utf8Path(const std::wstring& path)
{
    std::string bytes;
    for (const wchar_t c : path) {
        const auto code = static_cast<uint32_t>(c);
        if (code < 0x80) {
            bytes += static_cast<char>(code);
        } else if (code < 0x800) {
            bytes += static_cast<char>(0xC0 | (code >> 6));
            bytes += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            bytes += static_cast<char>(0xE0 | (code >> 12));
            bytes += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            bytes += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            bytes += static_cast<char>(0xF0 | ((code >> 18) & 0x07));
            bytes += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            bytes += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            bytes += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return bytes;
}

}  // namespace

std::optional<std::string> ReadFileBytes(const std::wstring& path)
{
    const std::string name = Utf8Path(path);
    struct stat status {};
    if (::stat(name.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    std::FILE* file = std::fopen(name.c_str(), "rb");
    if (!file)
        return std::nullopt;
    std::string bytes;
    char buffer[16384];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof(buffer), file)) > 0)
        bytes.append(buffer, got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed)
        return std::nullopt;
    return bytes;
}

bool WriteFileBytes(const std::wstring& path, std::string_view bytes)
{
    std::FILE* file = std::fopen(Utf8Path(path).c_str(), "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

bool RemoveFile(const std::wstring& path) { return ::unlink(Utf8Path(path).c_str()) == 0; }
