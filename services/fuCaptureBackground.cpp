#include "services/fuCaptureBackground.h"

#include <algorithm>
#include <cstring>

namespace tesra {

using platform::MouseButton;
using platform::Picture;
using platform::Point;

std::optional<SelRect> SelRectFromDrag(Point start, Point pointer) {
    SelRect rect{std::min(start.x, pointer.x), std::min(start.y, pointer.y), std::max(start.x, pointer.x),
                 std::max(start.y, pointer.y)};
    if (rect.left == rect.right || rect.top == rect.bottom) return std::nullopt;
    return rect;
}

Picture CopySelection(const Picture& picture, const SelRect& rect) {
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    Picture selection{width, height == 1 ? 2 : height, {}};
    selection.rgb.resize(static_cast<size_t>(selection.width) * selection.height * 3);
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    for (int y = 0; y < selection.height; ++y) {
        int sourceRow = rect.top + y * height / selection.height;
        const std::uint8_t* from = &picture.rgb[(static_cast<size_t>(sourceRow) * picture.width + rect.left) * 3];
        std::memcpy(&selection.rgb[y * rowBytes], from, rowBytes);
    }
    return selection;
}

TfmCaptureBackground::TfmCaptureBackground(Picture background) : Background_(std::move(background)) {}

bool TfmCaptureBackground::MouseDown(MouseButton button, Point at) {
    if (button != MouseButton::Left) return true;
    StartPoint_ = OnPicture(at);
    Dragging_ = true;
    return false;
}

void TfmCaptureBackground::MouseMove(Point at) {
    if (!Dragging_) return;
    Selection_.reset();
    std::optional<SelRect> rect = SelRectFromDrag(StartPoint_, OnPicture(at));
    SelRect_ = rect.value_or(SelRect{});
    if (rect) Selection_ = CopySelection(Background_, *rect);
}

bool TfmCaptureBackground::MouseUp() { return true; }

bool TfmCaptureBackground::KeyDown() { return true; }

const Picture* TfmCaptureBackground::Highlight(Point& corner) const {
    if (!Selection_) return nullptr;
    corner = {SelRect_.left, SelRect_.top};
    return &*Selection_;
}

Point TfmCaptureBackground::OnPicture(Point at) const {
    return {std::clamp(at.x, 0, std::max(Background_.width - 1, 0)),
            std::clamp(at.y, 0, std::max(Background_.height - 1, 0))};
}

}  // namespace tesra
