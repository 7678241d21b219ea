// A source file opened for reading by position, and a buffered reader that walks it in order.
//
// The readers of animated images read their files as they go rather than holding them, so a
// file of any length takes a few kilobytes of buffer. Reading ends either at the end of the
// file, which a reader tells apart so that a file cut short can be said to be cut short, or at
// a read fault from the system.
#pragma once

#include "common/Result.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace velorin::tools {

class SourceFile {
public:
    static common::Result<SourceFile> open(const std::string& path);
    SourceFile(SourceFile&& other) noexcept;
    SourceFile& operator=(SourceFile&&) = delete;
    SourceFile(const SourceFile&) = delete;
    ~SourceFile();

    const std::string& path() const { return m_path; }
    std::uint64_t size() const { return m_size; }
    // Reads up to `length` bytes from `offset`: fewer only where the file ends. -1 on a read
    // fault.
    std::int64_t readAt(std::uint64_t offset, std::uint8_t* destination, std::size_t length) const;

private:
    SourceFile(std::string path, int descriptor, std::uint64_t size);

    std::string m_path;
    int m_descriptor{-1};
    std::uint64_t m_size{0};
};

// Reads a file in order from a position, through a buffer.
class SequentialReader {
public:
    explicit SequentialReader(const SourceFile& file, std::uint64_t position = 0);

    // Reads exactly `length` bytes; false when the file ends first or cannot be read.
    bool read(std::uint8_t* destination, std::size_t length);
    bool readByte(std::uint8_t& byte) { return read(&byte, 1); }
    // Moves on by `length` bytes; false when the file ends first.
    bool skip(std::uint64_t length);
    std::uint64_t position() const { return m_position; }
    // Whether the last failed read failed for a read fault rather than at the end of the file.
    bool readFault() const { return m_readFault; }

private:
    bool refill();

    const SourceFile& m_file;
    std::uint64_t m_position;
    std::vector<std::uint8_t> m_buffer;
    std::uint64_t m_bufferStart{0};
    std::size_t m_bufferLength{0};
    bool m_readFault{false};
};

} // namespace velorin::tools
