#include "tools/import/SourceFileBytes.h"

#include "common/ByteCount.h"

#include <fstream>

namespace velorin::tools {

common::Result<std::vector<std::uint8_t>> readSourceFile(const std::string& path, std::size_t limit,
                                                         const std::string& kind) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file)
        return common::Fault{path, "cannot be read"};
    auto size = static_cast<std::streamoff>(file.tellg());
    if (size < 0 || static_cast<std::uint64_t>(size) > limit)
        return common::Fault{path, "is larger than the " + common::describeByteCount(limit) +
                                       " a " + kind + " may be"};
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    file.seekg(0);
    file.read(reinterpret_cast<char*>(bytes.data()), size);
    if (!file)
        return common::Fault{path, "cannot be read"};
    return bytes;
}

} // namespace velorin::tools
