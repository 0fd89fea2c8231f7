#include "skin/skin.h"

#include <string>

#include "skin/skin_sheet.h"

CSkin& CSkin::GetInstance()
{
    static CSkin instance;
    return instance;
}

bool CSkin::AddSheet(uint32_t imageResourceId, std::wstring_view sheetText, ISkinImageStore& images)
{
    const int32_t imageIndex = nextImageIndex_;
    if (!images.LoadSheetImage(imageIndex, imageResourceId)) {
        return false;
    }
    ParseSheet(sheetText, imageIndex);
    ++nextImageIndex_;
    return true;
}

void CSkin::ParseSheet(std::wstring_view sheetText, int32_t imageIndex)
{
    ::ParseSheet(sheetText, imageIndex, pieces_);
}

SkinPiece CSkin::GetPiece(std::wstring_view prefix, std::wstring_view suffix) const
{
    std::wstring name;
    name.reserve(prefix.size() + suffix.size());
    name.append(prefix).append(suffix);
    const auto found = pieces_.find(name);
    return found == pieces_.end() ? SkinPiece{} : found->second;
}

int32_t CSkin::GetInt(std::wstring_view name, int32_t defaultValue) const
{
    return attributes_.GetInt(name, defaultValue);
}

int32_t CSkin::GetInt(const SkinIntAttribute& attribute) const { return attributes_.GetInt(attribute); }
