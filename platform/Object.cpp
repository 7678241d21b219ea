// Reference counting for every runtime object. An object is deleted when its last reference
// goes; class objects are marked immortal by their constructor and ignore retain and release.
#include "platform/Object.h"

Object::~Object() = default;

void Object::release() {
    if (m_immortal)
        return;
    // A count already at zero means the object has been deleted; releasing it again is a
    // fault of the caller that no check here could make safe, so only the normal path is kept.
    if (--m_referenceCount == 0)
        delete this;
}
