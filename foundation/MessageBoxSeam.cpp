#include "MessageBoxSeam.h"

#include "ResModule.h"
#include "resources/resource.h"

namespace {

// Windows keep at most 63 characters of the caption.
constexpr int kCaptionChars = 64;

int RealMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type)
{
    return MessageBoxW(owner, text, caption, type);
}

}  // namespace

SMessageBoxSeam g_messageBoxSeam = { RealMessageBox };

int AppMessageBox(HWND owner, const wchar_t* text, UINT type)
{
    wchar_t caption[kCaptionChars] = {};
    CResModule::LoadString(IDS_APP_NAME, caption, kCaptionChars);
    return g_messageBoxSeam.messageBox(owner, text, caption, type);
}

int AppMessageBox(HWND owner, UINT textId, UINT type)
{
    wchar_t text[1024] = {};
    CResModule::LoadString(textId, text, 1024);
    return AppMessageBox(owner, text, type);
}
