#include "tools/import/sources/SourceFile.h"

#include "common/SystemCalls.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velorin::tools {

namespace {

constexpr std::size_t bufferBytes = 64 * 1024;

} // namespace

common::Result<SourceFile> SourceFile::open(const std::string& path) {
    auto file = TRY(common::openFile(path, O_RDONLY).withContext(path, "cannot be read"));
    auto status = TRY(common::statusOf(file.get()).withContext(path, "cannot be read"));
    if (!S_ISREG(status.st_mode))
        return common::Fault{path, "is not a regular file"};
    return SourceFile(path, file.release(), static_cast<std::uint64_t>(status.st_size));
}

SourceFile::SourceFile(std::string path, int descriptor, std::uint64_t size)
    : m_path(std::move(path)), m_descriptor(descriptor), m_size(size) {}

SourceFile::SourceFile(SourceFile&& other) noexcept
    : m_path(std::move(other.m_path)), m_descriptor(other.m_descriptor), m_size(other.m_size) {
    other.m_descriptor = -1;
}

SourceFile::~SourceFile() {
    if (m_descriptor >= 0)
        ::close(m_descriptor);
}

std::int64_t SourceFile::readAt(std::uint64_t offset, std::uint8_t* destination,
                                std::size_t length) const {
    std::size_t done = 0;
    while (done < length) {
        ssize_t count = ::pread(m_descriptor, destination + done, length - done,
                                static_cast<off_t>(offset + done));
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return -1;
        if (count == 0)
            break;
        done += static_cast<std::size_t>(count);
    }
    return static_cast<std::int64_t>(done);
}

SequentialReader::SequentialReader(const SourceFile& file, std::uint64_t position)
    : m_file(file), m_position(position), m_buffer(bufferBytes) {}

bool SequentialReader::refill() {
    std::int64_t count = m_file.readAt(m_position, m_buffer.data(), m_buffer.size());
    m_readFault = count < 0;
    m_bufferStart = m_position;
    m_bufferLength = count > 0 ? static_cast<std::size_t>(count) : 0;
    return m_bufferLength > 0;
}

bool SequentialReader::read(std::uint8_t* destination, std::size_t length) {
    while (length > 0) {
        bool buffered = m_position >= m_bufferStart && m_position < m_bufferStart + m_bufferLength;
        if (!buffered && !refill())
            return false;
        std::size_t offset = static_cast<std::size_t>(m_position - m_bufferStart);
        std::size_t count = std::min(length, m_bufferLength - offset);
        std::memcpy(destination, m_buffer.data() + offset, count);
        destination += count;
        length -= count;
        m_position += count;
    }
    return true;
}

bool SequentialReader::skip(std::uint64_t length) {
    if (length > m_file.size() - std::min(m_position, m_file.size())) {
        m_position = m_file.size();
        return false;
    }
    m_position += length;
    return true;
}

} // namespace velorin::tools
