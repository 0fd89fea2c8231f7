#include "win/message_box.h"

namespace {
std::wstring& Caption()
{
    static std::wstring caption;
    return caption;
}
}  // namespace

void SetMessageBoxCaption(std::wstring caption) { Caption() = std::move(caption); }

const std::wstring& MessageBoxCaption() { return Caption(); }

int ShowMessage(HWND owner, const std::wstring& text, UINT type)
{
    return ::MessageBoxW(owner, text.c_str(), Caption().c_str(), type);
}
