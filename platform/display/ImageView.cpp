// Image views: views whose layer shows an image, stretched to fill the view.

#include "platform/display/View.h"

namespace platform {

Ref<UIImageView> UIImageView::initWithFrame(const CGRect& frame) {
    return Ref<UIImageView>::adopt(new UIImageView(frame));
}

UIImageView::UIImageView(const CGRect& frame) : UIView(uiImageViewClass(), frame) {
}

UIImageView::~UIImageView() = default;

void UIImageView::setImage(Ref<UIImage> image) {
    m_image = std::move(image);
    layer()->setContents(m_image ? Ref<CGImage>(m_image->CGImage()) : Ref<CGImage>());
}

} // namespace platform
