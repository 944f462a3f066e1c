// QUILL32's entry point.
#include <windows.h>

#include "foundation/TextFormat.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    InstallInvalidParameterHandler();
    return 0;
}
