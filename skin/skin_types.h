// Small value types shared by the skin engine's portable core and its Win32 layer.
#pragma once

#include <cstdint>

// Colour as the platform stores it: 0x00BBGGRR.
using SkinColor = uint32_t;

struct SkinPoint {
    int32_t x;
    int32_t y;
};

struct SkinSize {
    int32_t width;
    int32_t height;
};

// Left and top inclusive, right and bottom exclusive, like a Win32 RECT.
struct SkinRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

inline bool operator==(const SkinRect& a, const SkinRect& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline bool operator!=(const SkinRect& a, const SkinRect& b) { return !(a == b); }

inline bool operator==(const SkinPoint& a, const SkinPoint& b) { return a.x == b.x && a.y == b.y; }

// Sheet values and attributes may hold anything a text can say, so sums and differences of
// coordinates clamp to the 32-bit range instead of overflowing.
inline int32_t SaturateToInt32(int64_t value)
{
    if (value > INT32_MAX) {
        return INT32_MAX;
    }
    if (value < INT32_MIN) {
        return INT32_MIN;
    }
    return static_cast<int32_t>(value);
}

inline int32_t SaturatingAdd(int32_t a, int32_t b)
{
    return SaturateToInt32(static_cast<int64_t>(a) + b);
}

inline int32_t SaturatingSubtract(int32_t a, int32_t b)
{
    return SaturateToInt32(static_cast<int64_t>(a) - b);
}

inline int32_t RectWidth(const SkinRect& rect) { return SaturatingSubtract(rect.right, rect.left); }
inline int32_t RectHeight(const SkinRect& rect) { return SaturatingSubtract(rect.bottom, rect.top); }

// Same rule as PtInRect.
inline bool RectContains(const SkinRect& rect, SkinPoint point)
{
    return point.x >= rect.left && point.x < rect.right && point.y >= rect.top && point.y < rect.bottom;
}
