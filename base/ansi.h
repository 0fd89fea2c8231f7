#pragma once

// Conversion between wide text and the system ANSI code page. The target systems use code
// page 936 (GBK); native builds convert with GBK as well so tests see the same bytes.
// Neither direction fails: undecodable bytes become U+FFFD, unencodable characters '?'.

#include <string>
#include <string_view>

std::string WideToAnsi(std::wstring_view text);
std::wstring AnsiToWide(std::string_view bytes);
