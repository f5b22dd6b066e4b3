// The preparation UI shown while a setup unpacks: the splash picture ("setup.bmp") and the
// preparation form with its text, icon and progress bar. Plain Win32 windows on the main thread.
#pragma once

#include <windows.h>

#include <string>

#include "engine/startup/startup_host.h"

namespace kel {

class PreparationUi {
public:
    PreparationUi() = default;
    PreparationUi(const PreparationUi&) = delete;
    PreparationUi& operator=(const PreparationUi&) = delete;
    ~PreparationUi() { Close(); }

    bool ShowSplash(const std::string& bitmapPath, Rect& placed);
    void ShowForm(int left, int top, bool centred, const std::string& caption,
                  const std::string& text, bool newerIcon);
    void SetProgress(int minimum, int maximum, int position);
    void StepProgress();
    void Close();

    HWND Form() const { return form_; }
    static Rect FormSize() { return {0, 0, kFormWidth, kFormHeight}; }

private:
    static constexpr int kFormWidth = 369;
    static constexpr int kFormHeight = 89;

    void Repaint();

    HWND splash_ = nullptr;
    HBITMAP splashBitmap_ = nullptr;
    HWND form_ = nullptr;
    HWND progress_ = nullptr;
    HFONT font_ = nullptr;
};

}  // namespace kel
