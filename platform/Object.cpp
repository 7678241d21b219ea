// Reference counting for every runtime object. An object is deleted when its last reference
// goes; class objects are marked immortal by their constructor and ignore retain and release.
#include "platform/Object.h"

#include <cstdlib>

namespace platform {

Object::~Object() = default;

void Object::release() {
    if (m_immortal)
        return;
    // A count already at zero means one release too many: the caller's fault. A checking
    // build stops there, where the fault is; a release build leaves the count alone rather
    // than wrap it round and stop the host that loaded it.
    if (m_referenceCount == 0) {
#ifndef NDEBUG
        std::abort();
#endif
        return;
    }
    if (--m_referenceCount == 0)
        delete this;
}

} // namespace platform
