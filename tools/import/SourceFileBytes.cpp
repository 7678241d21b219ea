#include "tools/import/SourceFileBytes.h"

#include "common/ByteCount.h"

namespace velorin::tools {

common::Result<std::vector<std::uint8_t>> readSourceFile(const SourceFile& file, std::size_t limit,
                                                         const std::string& kind) {
    if (file.size() > limit)
        return common::Fault{file.path(),
                             "is " + common::describeByteCountOver(file.size(), limit) +
                                 ", larger than the " + common::describeByteCount(limit) + " a " +
                                 kind + " may be"};
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(file.size()));
    std::int64_t count = file.readAt(0, bytes.data(), bytes.size());
    if (count < 0)
        return common::Fault{file.path(), "cannot be read"};
    // A file that shrank since it was checked is read as far as it goes.
    bytes.resize(static_cast<std::size_t>(count));
    return bytes;
}

} // namespace velorin::tools
