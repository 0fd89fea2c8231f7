// The saved password, protected with the user's data-protection key: readable only by the same
// user on the same machine, never stored in plain text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The protected blob, or an empty vector if the system refused.
std::vector<uint8_t> ProtectPassword(std::wstring_view password);
// The password, or nothing if the blob cannot be unprotected (another user's, damaged).
std::optional<std::wstring> UnprotectPassword(const std::vector<uint8_t>& blob);
