#pragma once
// The program's own forms: what each says and where each control sits in its client area (pixels),
// whatever the desktop. The platform only draws them, in its own style and with its own icons.

namespace tesra {

struct FormControl {
    const char* text;  // caption or first text; "" for none
    int left = 0, top = 0;
    int width = -1, height = -1;  // -1 leaves the size to the control
};

// The address dialog: the label and the editable combo box for the address, then a row of buttons.
struct InputUrlLayout {
    const char* caption;
    int width, height;
    FormControl addressLabel, urlBox, ok, cancel, clear, clearCache;
};
constexpr InputUrlLayout kInputUrlLayout{"请输入地址",
                                         447,
                                         105,
                                         {"地址", 14, 22},
                                         {"", 48, 16, 353},
                                         {"确定", 48, 62, 80, 25},
                                         {"取消", 139, 62, 80, 25},
                                         {"清空网址", 230, 62, 80, 25},
                                         {"清空缓存", 321, 62, 80, 25}};

// The installer's progress form: borderless and translucent, a 32-pixel icon at left and one status
// label.
struct InstallFormLayout {
    const char* caption;
    int width, height;
    int opacity;  // of 255
    FormControl icon, status;
};
constexpr InstallFormLayout kInstallFormLayout{"正在安装", 313, 74, 200, {"", 16, 22, 32, 32}, {"正在安装...", 64, 32}};

// The screen capture's start dialog: one button, at a fixed place on the screen.
struct CaptureStartLayout {
    const char* caption;
    int left, top, width, height;
    FormControl start;
};
constexpr CaptureStartLayout kCaptureStartLayout{"屏幕截图", 648, 409, 116, 53, {"开始截屏", 20, 14, 75, 25}};

}  // namespace tesra
