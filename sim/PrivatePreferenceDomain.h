// A simulated device's own copy of one preference domain, in a temporary folder.
//
// The copy starts as the device root's domain file byte for byte (or as no file at all), and
// the preference store is pointed at its folder, so that edits never reach the root. The
// first edit rewrites the copy as a binary property list; a file the store cannot read as a
// dictionary holds no keys, so an edit then starts from an empty domain. The folder goes
// when the copy does.
#pragma once

#include "platform/PropertyValue.h"

#include <string>

namespace velorin::sim {

class PrivatePreferenceDomain {
public:
    // Fails with std::runtime_error when the folder cannot be made or the file copied.
    PrivatePreferenceDomain(const std::string& deviceRoot, std::string domain);
    ~PrivatePreferenceDomain();
    PrivatePreferenceDomain(const PrivatePreferenceDomain&) = delete;
    PrivatePreferenceDomain& operator=(const PrivatePreferenceDomain&) = delete;

    // Booleans, integers, reals and strings; fails with std::runtime_error when the file
    // cannot be written.
    void set(const std::string& key, const platform::PropertyValue& value);
    void remove(const std::string& key);

    const std::string& folder() const { return m_folder; }
    std::string filePath() const;

private:
    std::string m_folder;
    std::string m_domain;
};

// The domain's file under a device root, as a path on this machine.
std::string rootPreferenceFilePath(const std::string& deviceRoot, const std::string& domain);

} // namespace velorin::sim
