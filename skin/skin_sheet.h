// Skin sheet text: rows of "name,x,y,width,height" separated by line feeds.
#pragma once

#include <cstdint>
#include <string_view>

#include "skin/skin_piece.h"

// Adds or updates the pieces the sheet describes and binds each to imageIndex. Never fails:
// short rows leave coordinates as they were, malformed numbers read as far as their digits go,
// and a row that is empty once its carriage returns are gone (a CR LF blank line) ends the sheet.
void ParseSheet(std::wstring_view sheetText, int32_t imageIndex, SkinPieceTable& pieces);

// A C integer literal with automatic base (0x hex, leading 0 octal, else decimal), optional
// leading blanks and sign; stops at the first character that does not fit, clamps to 32 bits.
int32_t ReadSheetInteger(std::wstring_view field);
