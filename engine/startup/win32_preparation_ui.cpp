// Splash and preparation form of the start-up (see win32_preparation_ui.h).
#include "engine/startup/win32_preparation_ui.h"

#include <commctrl.h>

namespace kel {
namespace {

constexpr const char* kSplashClass = "TSetupSplash";
constexpr const char* kFormClass = "TSetupInit";

LRESULT CALLBACK SplashProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        auto bitmap = reinterpret_cast<HBITMAP>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (bitmap) {
            HDC source = CreateCompatibleDC(dc);
            HGDIOBJ old = SelectObject(source, bitmap);
            BITMAP info;
            GetObjectA(bitmap, sizeof info, &info);
            BitBlt(dc, 0, 0, info.bmWidth, info.bmHeight, source, 0, 0, SRCCOPY);
            SelectObject(source, old);
            DeleteDC(source);
        }
        EndPaint(window, &paint);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void RegisterClasses() {
    static bool registered = false;
    if (registered) return;
    registered = true;
    WNDCLASSA splash{};
    splash.lpfnWndProc = SplashProc;
    splash.hInstance = GetModuleHandleA(nullptr);
    splash.hCursor = LoadCursor(nullptr, IDC_ARROW);
    splash.lpszClassName = kSplashClass;
    RegisterClassA(&splash);
    WNDCLASSA form{};
    form.lpfnWndProc = DefWindowProcA;
    form.hInstance = GetModuleHandleA(nullptr);
    form.hCursor = LoadCursor(nullptr, IDC_ARROW);
    form.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    form.lpszClassName = kFormClass;
    RegisterClassA(&form);
}

}  // namespace

bool PreparationUi::ShowSplash(const std::string& bitmapPath, Rect& placed) {
    RegisterClasses();
    splashBitmap_ = static_cast<HBITMAP>(
        LoadImageA(nullptr, bitmapPath.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    if (!splashBitmap_) return false;
    BITMAP info;
    GetObjectA(splashBitmap_, sizeof info, &info);
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    placed = {(screenWidth - info.bmWidth) / 2, (screenHeight - info.bmHeight) / 2, info.bmWidth,
              info.bmHeight};
    splash_ = CreateWindowExA(WS_EX_TOOLWINDOW, kSplashClass, "", WS_POPUP, placed.left, placed.top,
                              placed.width, placed.height, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    if (!splash_) return false;
    SetWindowLongPtrA(splash_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(splashBitmap_));
    ShowWindow(splash_, SW_SHOWNOACTIVATE);
    UpdateWindow(splash_);
    return true;
}

void PreparationUi::ShowForm(int left, int top, bool centred, const std::string& caption,
                             const std::string& text, bool newerIcon) {
    RegisterClasses();
    RECT frame{0, 0, kFormWidth, kFormHeight};
    const DWORD style = WS_POPUP | WS_CAPTION | WS_BORDER;
    AdjustWindowRectEx(&frame, style, FALSE, WS_EX_DLGMODALFRAME);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    if (centred) {
        left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
        top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    }
    HINSTANCE instance = GetModuleHandleA(nullptr);
    form_ = CreateWindowExA(WS_EX_DLGMODALFRAME, kFormClass, caption.c_str(), style, left, top,
                            width, height, nullptr, nullptr, instance, nullptr);
    if (!form_) return;
    font_ = CreateFontA(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                        OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                        DEFAULT_PITCH | FF_SWISS, "Tahoma");
    // Image1 (Windows XP and later) and Image2 share a place; only one of them is created.
    HWND image = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_ICON, 12, 10, 32, 32,
                                 form_, nullptr, instance, nullptr);
    SendMessageA(image, STM_SETICON,
                 reinterpret_cast<WPARAM>(LoadIcon(nullptr, newerIcon ? IDI_INFORMATION : IDI_ASTERISK)),
                 0);
    HWND label = CreateWindowExA(0, "STATIC", text.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT, 56, 10,
                                 297, 33, form_, reinterpret_cast<HMENU>(1), instance, nullptr);
    SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
    progress_ = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE, 16, 56, 337, 17,
                                form_, reinterpret_cast<HMENU>(2), instance, nullptr);
    ShowWindow(form_, SW_SHOW);
    Repaint();
}

void PreparationUi::SetProgress(int minimum, int maximum, int position) {
    if (!progress_) return;
    SendMessageA(progress_, PBM_SETRANGE32, static_cast<WPARAM>(minimum), maximum);
    SendMessageA(progress_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
    Repaint();
}

void PreparationUi::StepProgress() {
    if (!progress_) return;
    SendMessageA(progress_, PBM_DELTAPOS, 1, 0);
    Repaint();
}

void PreparationUi::Repaint() {
    if (form_) UpdateWindow(form_);
    if (splash_) UpdateWindow(splash_);
}

void PreparationUi::Close() {
    if (form_) DestroyWindow(form_);
    if (splash_) DestroyWindow(splash_);
    if (splashBitmap_) DeleteObject(splashBitmap_);
    if (font_) DeleteObject(font_);
    form_ = splash_ = progress_ = nullptr;
    splashBitmap_ = nullptr;
    font_ = nullptr;
}

}  // namespace kel
