#include "app/korvex_app_win32.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    CKorvexApp app;
    return app.Run();
}
