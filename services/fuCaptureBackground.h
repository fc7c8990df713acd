#pragma once
// The selection overlay's rules: a rectangle dragged with the left button over the dimmed
// picture of the display, shown at full brightness and kept as the selected picture.

#include <optional>

#include "platform/CaptureUi.h"

namespace tesra {

// Left, top, right, bottom; right and bottom are just outside the selection.
struct SelRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const SelRect&) const = default;
};

// The rectangle between the point where the drag started and the pointer, or none when the two
// share a column or a row (a click, or a drag along a line).
std::optional<SelRect> SelRectFromDrag(platform::Point start, platform::Point pointer);

// The pixels of rect (inside the picture) as a picture of their own; a rectangle one pixel high
// gives a picture two pixels high, the row stretched over both.
platform::Picture CopySelection(const platform::Picture& picture, const SelRect& rect);

class TfmCaptureBackground final : public platform::OverlayController {
public:
    explicit TfmCaptureBackground(platform::Picture background);

    const platform::Picture& Background() const { return Background_; }
    // The selected pixels, absent when nothing is selected.
    const std::optional<platform::Picture>& Selection() const { return Selection_; }
    SelRect Rect() const { return SelRect_; }

    bool MouseDown(platform::MouseButton button, platform::Point at) override;
    void MouseMove(platform::Point at) override;
    bool MouseUp() override;
    bool KeyDown() override;
    const platform::Picture* Highlight(platform::Point& corner) const override;

private:
    // The pointer kept on the picture: it may leave the display while the button is held.
    platform::Point OnPicture(platform::Point at) const;

    std::optional<platform::Picture> Selection_;
    SelRect SelRect_;
    platform::Picture Background_;
    bool Dragging_ = false;
    platform::Point StartPoint_;
};

}  // namespace tesra
