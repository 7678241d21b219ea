// The extension's code reads a device's files through the device file system, whose root is
// process-wide. The tools point it at the root they look at for a while, and the previous root
// comes back afterwards.
#pragma once

#include "platform/DeviceFileSystem.h"

#include <string>

namespace velorin::tools {

class ScopedDeviceRoot {
public:
    explicit ScopedDeviceRoot(const std::string& root) : m_previous(platform::deviceRoot()) {
        platform::setDeviceRoot(root);
    }
    ~ScopedDeviceRoot() { platform::setDeviceRoot(m_previous); }
    ScopedDeviceRoot(const ScopedDeviceRoot&) = delete;
    ScopedDeviceRoot& operator=(const ScopedDeviceRoot&) = delete;

private:
    std::string m_previous;
};

} // namespace velorin::tools
