#include "MessageBoxSeam.h"

namespace {

int RealMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type)
{
    return MessageBoxW(owner, text, caption, type);
}

}  // namespace

SMessageBoxSeam g_messageBoxSeam = {RealMessageBox};
