// What the main window's login fields start with: the stored user name, the stored password if
// it can be unprotected, and the save-password choice.
#pragma once

#include "app/settings_store.h"

#include <functional>

struct LoginFields {
    std::wstring username;
    std::wstring password;
    bool savePassword = true;
};

using PasswordUnprotector = std::function<std::optional<std::wstring>(const std::vector<uint8_t>&)>;

LoginFields LoadLoginFields(ISettingsStore& store, const PasswordUnprotector& unprotect);
