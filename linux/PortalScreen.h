#pragma once
// The screen in a Wayland session: a picture of the whole desktop from the desktop's Screenshot
// portal (not interactive; the desktop may ask the user for permission first), cut to the monitor
// that the capture overlay covers.

#include <gdk/gdk.h>
#include <gio/gio.h>

#include "platform/Browser.h"
#include "platform/Screen.h"

namespace tesra::platform {

inline constexpr const char* kNoScreenshotPortalText = "截取屏幕失败：桌面没有提供截屏服务（xdg-desktop-portal）";
inline constexpr const char* kScreenshotRefusedText =
    "截取屏幕失败：系统没有允许蓝岸浏览器截取屏幕，可以在系统设置的隐私设置中允许";

// Where a monitor (logical coordinates) lies in a picture of the whole desktop (the union of the
// monitors' logical rectangles), scaled by the picture's size over the desktop's, which also covers
// fractional scaling; cut to the picture.
Rect MonitorInPicture(const Rect& monitor, const Rect& desktop, int pictureWidth, int pictureHeight);

// The pixels of area (inside the picture).
Picture CropPicture(const Picture& picture, const Rect& area);

// The monitor that the capture shows: the primary one where the desktop names it, else the first.
int CaptureMonitorIndex(GdkDisplay* display);

class PortalScreen final : public Screen {
public:
    // Without a bus the capture fails with kNoScreenshotPortalText.
    explicit PortalScreen(GDBusConnection* bus) : bus_(bus) {}

    // The cursor is left to the desktop. Throws tesra::Exception with kNoScreenshotPortalText or
    // kScreenshotRefusedText; empty when the picture file cannot be read. The file is deleted.
    Picture CapturePrimary(CursorInPicture cursor) override;

private:
    GDBusConnection* bus_;
};

}  // namespace tesra::platform
