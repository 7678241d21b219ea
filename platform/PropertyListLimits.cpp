#include "platform/PropertyListLimits.h"

#include "platform/BinaryPropertyListTrailer.h"
#include "platform/PropertyList.h"

#include <algorithm>
#include <initializer_list>
#include <optional>
#include <string_view>
#include <vector>

namespace platform {

namespace {

using Bytes = std::span<const std::uint8_t>;

std::optional<std::uint64_t> readBigEndian(Bytes bytes, std::uint64_t offset, unsigned width) {
    if (width == 0 || width > 8 || offset > bytes.size() || bytes.size() - offset < width)
        return std::nullopt;
    std::uint64_t value = 0;
    for (unsigned index = 0; index < width; ++index)
        value = (value << 8) | bytes[offset + index];
    return value;
}

// The binary form: a header, the objects, a table of their offsets and a 32-byte trailer that
// gives the widths of offsets and references, the number of objects, the top object and
// where the table starts.
class BinaryList {
public:
    static constexpr std::size_t headerLength = BinaryPropertyListTrailer::headerLength;

    explicit BinaryList(Bytes bytes) : m_bytes(bytes) {}

    bool readTrailer() {
        auto read = BinaryPropertyListTrailer::read(m_bytes);
        if (!read)
            return false;
        const std::uint64_t trailer = read->start;
        m_offsetWidth = read->offsetWidth;
        m_referenceWidth = read->referenceWidth;
        if (m_offsetWidth == 0 || m_offsetWidth > 8 || m_referenceWidth == 0 ||
            m_referenceWidth > 8 || read->objectCount == 0 || read->top >= read->objectCount ||
            read->table > trailer || (trailer - read->table) / m_offsetWidth < read->objectCount)
            return false;
        m_objectCount = read->objectCount;
        m_top = read->top;
        m_table = read->table;
        return true;
    }

    std::uint64_t objectCount() const { return m_objectCount; }
    std::uint64_t top() const { return m_top; }

    // An object's references to the values it holds: none for a scalar, the members of an
    // array or set, the keys and then the values of a dictionary.
    struct References {
        std::uint64_t start{0};
        std::uint64_t count{0};
    };
    std::optional<References> referencesOf(std::uint64_t object) const {
        auto offset = readBigEndian(m_bytes, m_table + object * m_offsetWidth, m_offsetWidth);
        if (!offset || *offset < headerLength || *offset >= m_table)
            return std::nullopt;
        const std::uint8_t marker = m_bytes[*offset];
        const std::uint8_t type = marker & 0xF0;
        const bool dictionary = type == 0xD0;
        if (type != 0xA0 && type != 0xC0 && !dictionary)
            return References{};
        std::uint64_t members = marker & 0x0F;
        std::uint64_t start = *offset + 1;
        if (members == 0x0F) {
            // A longer count follows as an integer object of 2^n bytes.
            auto countMarker = readBigEndian(m_bytes, start, 1);
            if (!countMarker || (*countMarker & 0xF0) != 0x10 || (*countMarker & 0x0F) > 3)
                return std::nullopt;
            unsigned width = 1u << (*countMarker & 0x0F);
            auto count = readBigEndian(m_bytes, start + 1, width);
            if (!count)
                return std::nullopt;
            members = *count;
            start += 1 + width;
        }
        // Compared by division, so that no product can wrap.
        const std::uint64_t perMember = (dictionary ? 2u : 1u) * m_referenceWidth;
        if (start > m_table || (m_table - start) / perMember < members)
            return std::nullopt;
        return References{start, members * (dictionary ? 2u : 1u)};
    }

    std::optional<std::uint64_t> reference(const References& references,
                                           std::uint64_t index) const {
        auto object =
            readBigEndian(m_bytes, references.start + index * m_referenceWidth, m_referenceWidth);
        if (!object || *object >= m_objectCount)
            return std::nullopt;
        return object;
    }

private:
    Bytes m_bytes;
    unsigned m_offsetWidth{0};
    unsigned m_referenceWidth{0};
    std::uint64_t m_objectCount{0};
    std::uint64_t m_top{0};
    std::uint64_t m_table{0};
};

// Follows the references from the top object depth first, without recursion, counting each
// object's values once and reusing the count wherever it is referred to again.
bool binaryWithinLimits(Bytes bytes) {
    BinaryList list(bytes);
    if (!list.readTrailer())
        return false;
    enum class State : std::uint8_t { Unseen, Open, Counted };
    std::vector<State> states(list.objectCount(), State::Unseen);
    std::vector<std::uint64_t> values(list.objectCount(), 0);

    struct Frame {
        std::uint64_t object;
        BinaryList::References references;
        std::uint64_t next;
        std::uint64_t total;
    };
    std::vector<Frame> path;
    auto open = [&](std::uint64_t object) {
        if (states[object] == State::Open || path.size() >= maximumPropertyListDepth)
            return false;
        auto references = list.referencesOf(object);
        if (!references)
            return false;
        states[object] = State::Open;
        path.push_back({object, *references, 0, 1});
        return true;
    };
    if (!open(list.top()))
        return false;
    while (!path.empty()) {
        Frame& frame = path.back();
        if (frame.next == frame.references.count) {
            states[frame.object] = State::Counted;
            values[frame.object] = frame.total;
            std::uint64_t total = frame.total;
            path.pop_back();
            if (path.empty())
                return total <= maximumPropertyListValues;
            path.back().total += total;
            if (path.back().total > maximumPropertyListValues)
                return false;
            continue;
        }
        auto child = list.reference(frame.references, frame.next++);
        if (!child)
            return false;
        if (states[*child] == State::Counted) {
            frame.total += values[*child];
            if (frame.total > maximumPropertyListValues)
                return false;
        } else if (!open(*child)) {
            return false;
        }
    }
    return true;
}

bool startsWith(std::string_view text, std::size_t at, std::string_view prefix) {
    return text.substr(at, prefix.size()) == prefix;
}

// The XML form: the nesting of array and dict elements and the count of values (keys
// included, as the binary form counts them), outside comments and CDATA sections.
bool xmlWithinLimits(std::string_view text) {
    std::size_t depth = 0;
    std::size_t values = 0;
    std::size_t at = text.find('<');
    auto skipPast = [&text](std::size_t from, std::string_view end) {
        auto found = text.find(end, from);
        return found == text.npos ? text.size() : found + end.size();
    };
    auto isElement = [&text](std::size_t nameStart, std::initializer_list<std::string_view> names) {
        for (std::string_view name : names) {
            if (startsWith(text, nameStart, name)) {
                std::size_t after = nameStart + name.size();
                if (after < text.size() &&
                    (text[after] == '>' || text[after] == '/' || text[after] == ' ' ||
                     text[after] == '\t' || text[after] == '\n' || text[after] == '\r'))
                    return true;
            }
        }
        return false;
    };
    auto isContainer = [&isElement](std::size_t nameStart) {
        return isElement(nameStart, {"array", "dict"});
    };
    auto isValue = [&isElement](std::size_t nameStart) {
        return isElement(nameStart, {"array", "dict", "key", "string", "integer", "real", "true",
                                     "false", "date", "data"});
    };
    while (at < text.size()) {
        std::size_t next = at + 1;
        if (startsWith(text, at, "<!--")) {
            next = skipPast(at + 4, "-->");
        } else if (startsWith(text, at, "<![CDATA[")) {
            next = skipPast(at + 9, "]]>");
        } else if (startsWith(text, at, "</")) {
            if (isContainer(at + 2) && depth > 0)
                --depth;
            next = skipPast(at, ">");
        } else if (startsWith(text, at, "<!") || startsWith(text, at, "<?")) {
            next = skipPast(at, ">");
        } else {
            next = skipPast(at, ">");
            bool selfClosing = next >= 2 && next <= text.size() && text[next - 2] == '/';
            if (isContainer(at + 1) && !selfClosing && ++depth > maximumPropertyListDepth)
                return false;
            if (isValue(at + 1) && ++values > maximumPropertyListValues)
                return false;
        }
        at = text.find('<', next);
    }
    return true;
}

} // namespace

bool propertyListWithinLimits(std::span<const std::uint8_t> bytes) {
    if (propertyListFormat(bytes) == PropertyListFormat::Binary)
        return binaryWithinLimits(bytes);
    return xmlWithinLimits(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

} // namespace platform
