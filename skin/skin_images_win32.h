// The decoded skin images by image index, and piece drawing. The process has one store beside
// the one registry (CSkin::GetInstance); both live until the process exits.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <string_view>

#include "skin/skin.h"
#include "skin/skin_image_win32.h"

class CSkinImageStore final : public ISkinImageStore {
public:
    // Images are looked up in this module's resources.
    explicit CSkinImageStore(HMODULE resources = ::GetModuleHandleW(nullptr)) : m_resources(resources) {}

    bool LoadSheetImage(int32_t imageIndex, uint32_t imageResourceId) override;
    // Fills the record from a file image in memory instead of a resource.
    bool LoadImageBytes(int32_t imageIndex, const void* bytes, size_t size);

    // Null when the index was never loaded.
    CSkinImage* Find(int32_t imageIndex);
    HDC GetDrawingSurface(int32_t imageIndex);

private:
    HMODULE m_resources;
    std::map<int32_t, CSkinImage> m_images;
};

// The process's image store, used with CSkin::GetInstance().
CSkinImageStore& SkinImages();

// Registers one image of the program's resources and the pieces cut from it with the process's
// registry. False when the image cannot be loaded; its sheet is then not parsed.
bool AddSheet(uint32_t imageResourceId, std::wstring_view sheetText);
// The three built-in sheets with images 162, 161 and 160, as the main window does at start.
void RegisterBuiltInSkin();

// Copies the piece prefix + suffix onto destination, stretched; a destination of zero width or
// height takes the piece's own. Returns non-zero when something was drawn; an undefined piece
// or one whose image has no surface draws nothing and returns 0.
int DrawPiece(HDC dc, std::wstring_view prefix, std::wstring_view suffix, const RECT& destination);
int DrawPiece(HDC dc, const CSkin& skin, CSkinImageStore& images, std::wstring_view prefix,
              std::wstring_view suffix, const RECT& destination);

// Conversions between the core's rectangles and the platform's.
inline RECT ToRect(const SkinRect& rect) { return {rect.left, rect.top, rect.right, rect.bottom}; }
inline SkinRect ToSkinRect(const RECT& rect) { return {rect.left, rect.top, rect.right, rect.bottom}; }
