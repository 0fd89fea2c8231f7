// Named skin values held by the registry, every skinned window frame and every skinned control.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>

// A name the engine queries together with the value a missing entry yields.
struct SkinIntAttribute {
    const wchar_t* name;
    int32_t defaultValue;
};

// Keys compare exactly (case-sensitive, no trimming). A query never inserts. Only integers are
// ever stored, so there are no string or rectangle tables.
class CSkinAttributes {
public:
    int32_t GetInt(std::wstring_view name, int32_t defaultValue) const;
    int32_t GetInt(const SkinIntAttribute& attribute) const;
    void SetInt(std::wstring_view name, int32_t value);

private:
    std::map<std::wstring, int32_t, std::less<>> integers_;
};
