#include "app/login_fields.h"

LoginFields LoadLoginFields(ISettingsStore& store, IPasswordProtection& protection)
{
    LoginFields fields;
    fields.username = settings::ReadString(store, settings::Username);
    if (auto blob = settings::ReadBlob(store, settings::Password)) {
        if (auto password = protection.Unprotect(*blob))
            fields.password = std::move(*password);
    }
    fields.savePassword = settings::ReadInt(store, settings::SavePassword) != 0;
    return fields;
}
