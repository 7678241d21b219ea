// A simulated device's own copy of one preference domain, in a temporary folder.
//
// The copy starts as the device root's domain file byte for byte when the extension would read
// it (a regular file within the read limit, reached inside the root), or as no file at all, and
// the preference store is pointed at its folder, so that edits never reach the root. The
// first edit rewrites the copy as a binary property list; a file the store cannot read as a
// dictionary holds no keys, so an edit then starts from an empty domain. The folder goes
// when the copy does.
#pragma once

#include "common/Result.h"
#include "common/TemporaryFolder.h"
#include "platform/PropertyValue.h"

#include <memory>
#include <string>

namespace velorin::sim {

class PrivatePreferenceDomain {
public:
    // Makes the copy and points the preference store at it; a fault naming the folder or the
    // file when the folder cannot be made or the file copied (or would not fit in $TMPDIR).
    static common::Result<std::unique_ptr<PrivatePreferenceDomain>>
    make(const std::string& deviceRoot, std::string domain);
    // Points the preference store back at the device root and removes the folder.
    ~PrivatePreferenceDomain();
    PrivatePreferenceDomain(const PrivatePreferenceDomain&) = delete;
    PrivatePreferenceDomain& operator=(const PrivatePreferenceDomain&) = delete;

    // Booleans, integers, reals and strings; a fault for a value of another kind or when the
    // file cannot be written.
    common::Result<void> set(const std::string& key, const platform::PropertyValue& value);
    common::Result<void> remove(const std::string& key);

    const std::string& folder() const { return m_folder.path(); }
    std::string filePath() const;

private:
    PrivatePreferenceDomain(common::TemporaryFolder folder, std::string domain);
    common::TemporaryFolder m_folder;
    std::string m_domain;
};

// The domain's file under a device root, as a path on this machine.
std::string rootPreferenceFilePath(const std::string& deviceRoot, const std::string& domain);

} // namespace velorin::sim
