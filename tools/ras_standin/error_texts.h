#pragma once
// The texts RasGetErrorStringW gives, as a Chinese Windows words them.

#include <cstdint>
#include <string>

// The text of a RAS error (600 to 999) or of one of the few system errors the service passes
// on; false for any other number.
bool RasErrorText(uint32_t code, std::wstring& text);
