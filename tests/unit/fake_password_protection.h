#pragma once
// The user's data protection in memory for portable tests: a blob is a marker byte and each
// UTF-16 unit scrambled, so it never holds the plain text, and it reads back. A blob without the
// marker cannot be unprotected (another user's); with `works` false Protect refuses, as the
// system may.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/login_interfaces.h"

class CFakePasswordProtection : public IPasswordProtection {
public:
    static constexpr uint8_t kMarker = 0xB1;
    bool works = true;

    std::optional<std::vector<uint8_t>> Protect(std::wstring_view password) override
    {
        if (!works)
            return std::nullopt;
        std::vector<uint8_t> blob{kMarker};
        for (wchar_t c : password) {
            const auto unit = static_cast<uint16_t>(c ^ 0x5A5A);
            blob.push_back(static_cast<uint8_t>(unit & 0xFF));
            blob.push_back(static_cast<uint8_t>(unit >> 8));
        }
        return blob;
    }

    std::optional<std::wstring> Unprotect(const std::vector<uint8_t>& blob) override
    {
        if (blob.empty() || blob[0] != kMarker || blob.size() % 2 != 1)
            return std::nullopt;
        std::wstring password;
        for (size_t at = 1; at < blob.size(); at += 2)
            password.push_back(static_cast<wchar_t>((blob[at] | (blob[at + 1] << 8)) ^ 0x5A5A));
        return password;
    }
};
