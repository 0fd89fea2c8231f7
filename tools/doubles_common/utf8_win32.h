// UTF-8, the encoding of the doubles' logs.
#pragma once

#include <string>

std::string Utf8(const std::wstring& text);
