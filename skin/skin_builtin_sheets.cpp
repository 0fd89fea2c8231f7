#include "skin/skin_builtin_sheets.h"

#include "skin/skin.h"

void RegisterBuiltInSheets(CSkin& skin, ISkinImageStore& images)
{
    for (const BuiltInSheet& sheet : kBuiltInSheets) {
        skin.AddSheet(sheet.imageResourceId, sheet.text, images);
    }
}
