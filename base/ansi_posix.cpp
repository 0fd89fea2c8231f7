#include "base/ansi.h"

#include <iconv.h>

#include <cerrno>

namespace {

// glibc's GBK table matches code page 936 for every valid sequence, including 0x80 (euro sign).
constexpr const char kAnsiCharset[] = "GBK";
constexpr const char kWideCharset[] = "WCHAR_T";

class CIconv {
public:
    CIconv(const char* to, const char* from) : m_handle(iconv_open(to, from)) {}
    ~CIconv()
    {
        if (Valid())
            iconv_close(m_handle);
    }
    CIconv(const CIconv&) = delete;
    CIconv& operator=(const CIconv&) = delete;

    bool Valid() const { return m_handle != reinterpret_cast<iconv_t>(-1); }
    iconv_t Get() const { return m_handle; }

private:
    iconv_t m_handle;
};

// Runs the whole input through iconv. On a sequence it cannot convert it appends the
// replacement, skips one input unit and carries on; a truncated sequence at the end is replaced
// the same way.
template <typename Out>
void Convert(const CIconv& converter, const char* input, size_t inputBytes, size_t unitBytes,
             typename Out::value_type replacement, Out& output)
{
    using Char = typename Out::value_type;
    char* in = const_cast<char*>(input);
    size_t inLeft = inputBytes;
    Char buffer[512];
    while (inLeft > 0) {
        char* out = reinterpret_cast<char*>(buffer);
        size_t outLeft = sizeof(buffer);
        const size_t rc = iconv(converter.Get(), &in, &inLeft, &out, &outLeft);
        const int error = errno;
        output.append(buffer, (sizeof(buffer) - outLeft) / sizeof(Char));
        if (rc != static_cast<size_t>(-1))
            continue;
        if (error == E2BIG)
            continue;
        output.push_back(replacement);
        if (error == EILSEQ && inLeft >= unitBytes) {
            in += unitBytes;
            inLeft -= unitBytes;
        } else {
            break;  // EINVAL: incomplete sequence at the end, or an unexpected failure
        }
        iconv(converter.Get(), nullptr, nullptr, nullptr, nullptr);
    }
}

// Code page 936 keeps ASCII as it is; most of our texts are ASCII (addresses, route lists), and
// opening a converter costs far more than the conversion.
template <typename Text>
bool IsAscii(const Text& text)
{
    for (const auto c : text)
        if (static_cast<unsigned long>(c) >= 0x80)
            return false;
    return true;
}

}  // namespace

std::string WideToAnsi(std::wstring_view text)
{
    std::string result;
    if (text.empty())
        return result;
    if (IsAscii(text))
        return std::string(text.begin(), text.end());
    CIconv converter(kAnsiCharset, kWideCharset);
    if (!converter.Valid()) {
        // Without a converter keep what is plain ASCII; it still beats an empty string.
        for (wchar_t c : text)
            result.push_back(c >= 0 && c < 0x80 ? static_cast<char>(c) : '?');
        return result;
    }
    result.reserve(text.size());
    Convert(converter, reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t),
            sizeof(wchar_t), '?', result);
    return result;
}

std::wstring AnsiToWide(std::string_view bytes)
{
    std::wstring result;
    if (bytes.empty())
        return result;
    if (IsAscii(bytes))
        return std::wstring(bytes.begin(), bytes.end());
    CIconv converter(kWideCharset, kAnsiCharset);
    if (!converter.Valid()) {
        for (char c : bytes) {
            const auto byte = static_cast<unsigned char>(c);
            result.push_back(byte < 0x80 ? static_cast<wchar_t>(byte) : L'\xFFFD');
        }
        return result;
    }
    result.reserve(bytes.size());
    Convert(converter, bytes.data(), bytes.size(), 1, L'\xFFFD', result);
    return result;
}
