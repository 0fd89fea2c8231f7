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
// The same with the password left empty, for a window that reads it later: unprotecting it loads
// the system's data protection, which costs a start-up tens of milliseconds.
LoginFields LoadLoginFields(ISettingsStore& store);
// The stored password if it can be unprotected; empty otherwise.
std::wstring LoadSavedPassword(ISettingsStore& store, IPasswordProtection& protection);
