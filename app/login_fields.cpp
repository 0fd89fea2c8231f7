#include "app/login_fields.h"

LoginFields LoadLoginFields(ISettingsStore& store, IPasswordProtection& protection)
{
    LoginFields fields = LoadLoginFields(store);
    fields.password = LoadSavedPassword(store, protection);
    return fields;
}

LoginFields LoadLoginFields(ISettingsStore& store)
{
    LoginFields fields;
    fields.username = settings::ReadString(store, settings::Username);
    fields.savePassword = settings::ReadInt(store, settings::SavePassword) != 0;
    return fields;
}

std::wstring LoadSavedPassword(ISettingsStore& store, IPasswordProtection& protection)
{
    if (auto blob = settings::ReadBlob(store, settings::Password)) {
        if (auto password = protection.Unprotect(*blob))
            return std::move(*password);
    }
    return std::wstring();
}
