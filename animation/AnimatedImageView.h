// The view that plays one charging sequence once.
//
// Given a rectangle, a sequence folder and a run length, the view finds and orders the
// folder's frames, decodes every one of them and hands the whole list to the display toolkit
// as one keyframe animation of a child image view's contents. From then on the toolkit
// changes the frames by itself: the view has no timer, counts no frames and draws nothing of
// its own, so wherever no frame is shown it is transparent. The last frame stays on screen
// after the run until the view is removed.
//
// One view is made for every showing; nothing is shared between showings, and every start
// lists, reads and decodes the folder afresh. Every failure is silent: a folder that cannot be
// listed, or holds no frames, leaves the view blank, and a frame that cannot be read or
// decoded is left out.
#pragma once

#include "platform/Export.h"
#include "platform/display/View.h"

#include <optional>
#include <string>
#include <vector>

namespace velorin {

class VELORIN_EXPORT AnimatedImageView final : public platform::UIView {
public:
    // A new, unattached view at `frame`, with no folder and a run length of 0.0.
    // None when it cannot be made.
    static platform::Ref<AnimatedImageView> initWithFrame(const platform::CGRect& frame) noexcept;
    // The runtime class "AnimatedImageView", a subclass of "UIView"; registered on first use.
    static Class runtimeClass() noexcept;
    ~AnimatedImageView() override;

    // Plays the folder's frames once: runs `animateImages`.
    void startAnimating() noexcept;
    // Removes the animations of this view's own layer. The frame animation lives on the child
    // image view's layer and is not touched: a view that stays attached keeps playing, and
    // its frames leave the screen when the view is removed.
    void stopAnimating() noexcept;
    // The frame names in playing order; reads no field of the view.
    std::vector<std::string>
    sortArrayByNumbersInString(const std::vector<std::string>& names) const noexcept;
    // Lists, orders and decodes the frames, adds a child image view covering the view and
    // installs the keyframe animation on it. Each call adds one more child above the others.
    // Frames are decoded in playing order within the showing's memory budget.
    void animateImages() noexcept;

    // The sequence folder, a device path ending with a slash; none until set. Changing it
    // leaves a child image view or animation that already exists as it is.
    const std::optional<std::string>& imagesPath() const { return m_imagesPath; }
    void setImagesPath(std::optional<std::string> path) { m_imagesPath = std::move(path); }
    // Seconds for one run through all frames. Changing it leaves an existing animation as it is.
    double animationDuration() const { return m_animationDuration; }
    void setAnimationDuration(double seconds) { m_animationDuration = seconds; }

private:
    explicit AnimatedImageView(const platform::CGRect& frame);

    std::optional<std::string> m_imagesPath;
    double m_animationDuration{0.0};
};

} // namespace velorin
