// What the main window's login fields start with: the stored user name, the stored password if
// it can be unprotected, and the save-password choice.
#pragma once

#include "app/login_interfaces.h"
#include "app/settings_store.h"

struct LoginFields {
    std::wstring username;
    std::wstring password;
    bool savePassword = true;
};

LoginFields LoadLoginFields(ISettingsStore& store, IPasswordProtection& protection);
