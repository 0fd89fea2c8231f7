#include "skin/skin_images_win32.h"

#include "skin/skin_builtin_sheets.h"
#include "skin/skin_piece.h"

bool CSkinImageStore::LoadSheetImage(int32_t imageIndex, uint32_t imageResourceId)
{
    return m_images[imageIndex].LoadSheetImage(m_resources, imageResourceId);
}

bool CSkinImageStore::LoadImageBytes(int32_t imageIndex, const void* bytes, size_t size)
{
    return m_images[imageIndex].LoadImageBytes(bytes, size);
}

CSkinImage* CSkinImageStore::Find(int32_t imageIndex)
{
    const auto found = m_images.find(imageIndex);
    return found == m_images.end() ? nullptr : &found->second;
}

HDC CSkinImageStore::GetDrawingSurface(int32_t imageIndex)
{
    CSkinImage* image = Find(imageIndex);
    return image ? image->GetDrawingSurface() : nullptr;
}

CSkinImageStore& SkinImages()
{
    static CSkinImageStore images;
    return images;
}

bool AddSheet(uint32_t imageResourceId, std::wstring_view sheetText)
{
    return CSkin::GetInstance().AddSheet(imageResourceId, sheetText, SkinImages());
}

void RegisterBuiltInSkin() { RegisterBuiltInSheets(CSkin::GetInstance(), SkinImages()); }

int DrawPiece(HDC dc, std::wstring_view prefix, std::wstring_view suffix, const RECT& destination)
{
    return DrawPiece(dc, CSkin::GetInstance(), SkinImages(), prefix, suffix, destination);
}

int DrawPiece(HDC dc, const CSkin& skin, CSkinImageStore& images, std::wstring_view prefix,
              std::wstring_view suffix, const RECT& destination)
{
    const SkinPiece piece = skin.GetPiece(prefix, suffix);
    if (!piece.IsDrawable()) {
        return 0;
    }
    HDC surface = images.GetDrawingSurface(piece.imageIndex);
    if (!surface) {
        return 0;
    }
    const SkinRect target = ResolvePieceDestination(piece, ToSkinRect(destination));
    return ::StretchBlt(dc, target.left, target.top, RectWidth(target), RectHeight(target), surface,
                        piece.source.left, piece.source.top, piece.Width(), piece.Height(), SRCCOPY);
}
