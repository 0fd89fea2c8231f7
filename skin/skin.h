// The process-wide skin registry: named pieces of the registered images and the process-wide
// skin integers. The decoded images themselves live with the platform layer, keyed by the image
// index the registry hands out here.
#pragma once

#include <cstdint>
#include <string_view>

#include "skin/skin_attributes.h"
#include "skin/skin_piece.h"

// Holds the decoded images by index; implemented by the platform layer.
class ISkinImageStore {
public:
    virtual ~ISkinImageStore() = default;
    // Loads the image resource into the record for imageIndex (creating the record on first use,
    // releasing what it held before). False when the resource is missing or cannot be had.
    virtual bool LoadSheetImage(int32_t imageIndex, uint32_t imageResourceId) = 0;
};

class CSkin {
public:
    CSkin() = default;
    CSkin(const CSkin&) = delete;
    CSkin& operator=(const CSkin&) = delete;

    // The one registry of the process, created empty on first use (user-interface thread only).
    static CSkin& GetInstance();

    // Registers one image and the pieces cut from it. When the image cannot be loaded the sheet is
    // not parsed and the image index stays free for the next sheet.
    bool AddSheet(uint32_t imageResourceId, std::wstring_view sheetText, ISkinImageStore& images);

    void ParseSheet(std::wstring_view sheetText, int32_t imageIndex);

    // The piece named prefix + suffix, or the empty piece (not drawable) when there is none.
    SkinPiece GetPiece(std::wstring_view prefix, std::wstring_view suffix) const;

    int32_t GetInt(std::wstring_view name, int32_t defaultValue) const;
    int32_t GetInt(const SkinIntAttribute& attribute) const;
    const CSkinAttributes& Attributes() const { return attributes_; }

    const SkinPieceTable& Pieces() const { return pieces_; }
    int32_t NextImageIndex() const { return nextImageIndex_; }

private:
    CSkinAttributes attributes_;
    SkinPieceTable pieces_;
    int32_t nextImageIndex_ = 0;
};
