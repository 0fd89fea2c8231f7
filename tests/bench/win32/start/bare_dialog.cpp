// The start-up anchor: the least a dialog program built like ours does to show a window. One
// template, shown modally; it ends when it is closed.
#include <windows.h>

namespace {
INT_PTR CALLBACK BareDialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        ::EndDialog(window, 0);
        return TRUE;
    }
    return message == WM_INITDIALOG;
}
}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    return static_cast<int>(::DialogBoxParamW(instance, MAKEINTRESOURCEW(1), nullptr, BareDialogProcedure, 0));
}
