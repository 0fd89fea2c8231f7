#include "skin/skin_attributes.h"

int32_t CSkinAttributes::GetInt(std::wstring_view name, int32_t defaultValue) const
{
    const auto found = integers_.find(name);
    return found == integers_.end() ? defaultValue : found->second;
}

int32_t CSkinAttributes::GetInt(const SkinIntAttribute& attribute) const
{
    return GetInt(attribute.name, attribute.defaultValue);
}

void CSkinAttributes::SetInt(std::wstring_view name, int32_t value)
{
    const auto found = integers_.find(name);
    if (found != integers_.end()) {
        found->second = value;
    } else {
        integers_.emplace(std::wstring(name), value);
    }
}
