// The binary form: a header, the objects, a table of their offsets and a 32-byte trailer. Each
// object starts with a marker byte whose high half is its type and low half its size (or 15,
// with the size following as an integer object). Containers hold references: indexes into the
// offset table, of the trailer's reference width.
//
// libplist reads every object the top-level one reaches and gives nothing when one of them
// does not read. The same objects are checked here, each once: the limits were checked before,
// which rules out an object that contains itself, so whether an object reads does not depend
// on where it is reached from. Only the top-level dictionary's keys and the values asked for
// are decoded.
#include "platform/BinaryPropertyListTrailer.h"
#include "platform/PropertyListValueForms.h"

#include <cstring>

namespace platform::propertylist {

namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr std::uint8_t typeBoolean = 0x00;
constexpr std::uint8_t typeInteger = 0x10;
constexpr std::uint8_t typeReal = 0x20;
constexpr std::uint8_t typeDate = 0x30;
constexpr std::uint8_t typeData = 0x40;
constexpr std::uint8_t typeText = 0x50;
constexpr std::uint8_t typeUtf16Text = 0x60;
constexpr std::uint8_t typeUid = 0x80;
constexpr std::uint8_t typeArray = 0xA0;
constexpr std::uint8_t typeSet = 0xC0;
constexpr std::uint8_t typeDictionary = 0xD0;
constexpr std::uint8_t sizeFollows = 0x0F;

// An unsigned big-endian number of `width` bytes at `offset`; of a number wider than eight
// bytes, its last eight, as libplist reads it. The caller has checked that the bytes exist.
std::uint64_t bigEndian(Bytes bytes, std::uint64_t offset, std::uint64_t width) {
    if (width > 8) {
        offset += width - 8;
        width = 8;
    }
    std::uint64_t value = 0;
    for (std::uint64_t index = 0; index < width; ++index)
        value = (value << 8) | bytes[offset + index];
    return value;
}

// Whether `start + length` stays at or before `limit`, without wrapping.
bool fitsBefore(std::uint64_t start, std::uint64_t length, std::uint64_t limit) {
    return start <= limit && length <= limit - start;
}

// One object as its marker and size give it: where its contents start and how many there are
// (bytes for data and text, UTF-16 units, members or entries), or none when it does not read.
struct Object {
    std::uint8_t type{0};
    std::uint8_t sizeBits{0};
    std::uint64_t size{0};
    std::uint64_t contents{0};
};

class BinaryList {
public:
    BinaryList(Bytes bytes, std::span<const std::string_view> keys)
        : m_bytes(bytes), m_keys(keys) {}

    Reading read() {
        if (!readTrailer())
            return PropertyListFault::Unreadable;
        if (!everyReachedObjectReads())
            return PropertyListFault::Unreadable;
        auto top = objectAt(m_trailer.top);
        if (!top || top->type != typeDictionary)
            return PropertyListFault::NotDictionary;
        return topLevelValues(*top);
    }

private:
    bool readTrailer() {
        auto read = BinaryPropertyListTrailer::read(m_bytes);
        if (!read)
            return false;
        m_trailer = *read;
        const auto& t = m_trailer;
        if (t.objectCount == 0 || t.offsetWidth == 0 || t.referenceWidth == 0 ||
            t.top >= t.objectCount || t.table < BinaryPropertyListTrailer::headerLength ||
            t.table >= t.start)
            return false;
        // The table must fit before the trailer; compared by division, so nothing can wrap.
        return (t.start - t.table) / t.offsetWidth >= t.objectCount;
    }

    // The object at index `index` of the offset table, when its marker and size read.
    std::optional<Object> objectAt(std::uint64_t index) const {
        const std::uint64_t start =
            bigEndian(m_bytes, m_trailer.table + index * m_trailer.offsetWidth, m_trailer.offsetWidth);
        if (start >= m_trailer.table)
            return std::nullopt;
        Object object;
        object.type = m_bytes[start] & 0xF0;
        object.sizeBits = m_bytes[start] & 0x0F;
        object.size = object.sizeBits;
        object.contents = start + 1;
        const bool sized = object.type == typeData || object.type == typeText ||
                           object.type == typeUtf16Text || object.type == typeArray ||
                           object.type == typeSet || object.type == typeDictionary;
        if (sized && object.sizeBits == sizeFollows) {
            // The byte after the marker lies at or before the table, so it exists.
            const std::uint8_t sizeMarker = m_bytes[object.contents];
            if ((sizeMarker & 0xF0) != typeInteger)
                return std::nullopt;
            const std::uint64_t width = std::uint64_t{1} << (sizeMarker & 0x0F);
            object.contents += 1;
            if (!fitsBefore(object.contents, width, m_trailer.table))
                return std::nullopt;
            object.size = bigEndian(m_bytes, object.contents, width);
            object.contents += width;
        }
        return object;
    }

    // Whether the object's own contents read, as libplist reads each kind; the objects it
    // refers to are checked on their own.
    bool contentsRead(const Object& object) const {
        const std::uint64_t scalarLength = std::uint64_t{1} << object.sizeBits;
        switch (object.type) {
        case typeBoolean:
            return object.sizeBits == 0x08 || object.sizeBits == 0x09;
        case typeInteger: {
            if (!fitsBefore(object.contents, scalarLength, m_trailer.table))
                return false;
            // libplist keeps the length in a byte, so only these lengths survive.
            const auto kept = static_cast<std::uint8_t>(scalarLength);
            return kept == 1 || kept == 2 || kept == 4 || kept == 8 || kept == 16;
        }
        case typeReal:
            return fitsBefore(object.contents, scalarLength, m_trailer.table) &&
                   (object.sizeBits == 2 || object.sizeBits == 3);
        case typeDate:
            return object.sizeBits == 3 && fitsBefore(object.contents, 8, m_trailer.table);
        case typeData:
        case typeText:
            return fitsBefore(object.contents, object.size, m_trailer.table);
        case typeUtf16Text:
            // An empty UTF-16 text is one libplist cannot convert, and the list fails with it.
            return object.size != 0 && object.size <= UINT64_MAX / 2 &&
                   fitsBefore(object.contents, object.size * 2, m_trailer.table);
        case typeUid:
            return fitsBefore(object.contents, std::uint64_t{object.sizeBits} + 1, m_trailer.table) &&
                   bigEndian(m_bytes, object.contents, std::uint64_t{object.sizeBits} + 1) <=
                       UINT32_MAX;
        case typeArray:
        case typeSet:
        case typeDictionary:
            return fitsBefore(object.contents, object.size, m_trailer.table);
        default:
            return false;
        }
    }

    // The reference at position `position` of a container's list, when it lies before the
    // table and names an object.
    std::optional<std::uint64_t> reference(const Object& container, std::uint64_t position) const {
        const std::uint64_t at = container.contents + position * m_trailer.referenceWidth;
        if (!fitsBefore(at, m_trailer.referenceWidth, m_trailer.table))
            return std::nullopt;
        const std::uint64_t index = bigEndian(m_bytes, at, m_trailer.referenceWidth);
        if (index >= m_trailer.objectCount)
            return std::nullopt;
        return index;
    }

    // Checks every object the top-level one reaches, without recursion. Each container's
    // references are checked when it is first reached; a dictionary's keys must be texts.
    bool everyReachedObjectReads() {
        enum class State : std::uint8_t { Unseen, Good };
        std::vector<State> states(m_trailer.objectCount, State::Unseen);
        std::vector<std::uint64_t> pending{m_trailer.top};
        while (!pending.empty()) {
            const std::uint64_t index = pending.back();
            pending.pop_back();
            if (states[index] == State::Good)
                continue;
            auto object = objectAt(index);
            if (!object || !contentsRead(*object))
                return false;
            states[index] = State::Good;
            const bool dictionary = object->type == typeDictionary;
            if (object->type != typeArray && object->type != typeSet && !dictionary)
                continue;
            const std::uint64_t references = dictionary ? object->size * 2 : object->size;
            for (std::uint64_t position = 0; position < references; ++position) {
                auto child = reference(*object, position);
                if (!child)
                    return false;
                if (dictionary && position < object->size && !isText(*child))
                    return false;
                pending.push_back(*child);
            }
        }
        return true;
    }

    bool isText(std::uint64_t index) const {
        auto object = objectAt(index);
        return object && (object->type == typeText || object->type == typeUtf16Text);
    }

    // A text object's characters as libplist holds them: a byte text up to its first NUL, a
    // UTF-16 text converted to UTF-8 whole.
    std::string text(const Object& object) const {
        const auto* start = m_bytes.data() + object.contents;
        if (object.type == typeText) {
            const auto* end = start + object.size;
            const auto* nul = static_cast<const std::uint8_t*>(std::memchr(start, 0, object.size));
            return std::string(start, nul ? nul : end);
        }
        return utf16ToUtf8(start, object.size);
    }

    // libplist's conversion, whose way with broken surrogate pairs is kept: a lead surrogate
    // waits for a trail surrogate across any characters between them; a second lead, a lone
    // trail or a lead at the end is dropped.
    static std::string utf16ToUtf8(const std::uint8_t* units, std::uint64_t count) {
        std::string converted;
        converted.reserve(count * 3);
        bool leadWaiting = false;
        std::uint32_t pair = 0;
        for (std::uint64_t index = 0; index < count; ++index) {
            const std::uint32_t unit =
                (std::uint32_t{units[index * 2]} << 8) | units[index * 2 + 1];
            if (unit >= 0xD800 && unit <= 0xDBFF) {
                leadWaiting = !leadWaiting;
                if (leadWaiting)
                    pair = 0x10000 + ((unit & 0x3FF) << 10);
            } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
                if (leadWaiting) {
                    leadWaiting = false;
                    appendUtf8(converted, pair | (unit & 0x3FF));
                }
            } else {
                appendUtf8(converted, unit);
            }
        }
        return converted;
    }

    PropertyValue valueOf(const Object& object) const {
        switch (object.type) {
        case typeBoolean:
            return PropertyValue::boolean(object.sizeBits == 0x09);
        case typeInteger:
            return PropertyValue::integer(static_cast<std::int64_t>(
                bigEndian(m_bytes, object.contents, std::uint64_t{1} << object.sizeBits)));
        case typeReal: {
            if (object.sizeBits == 2) {
                const auto bits =
                    static_cast<std::uint32_t>(bigEndian(m_bytes, object.contents, 4));
                float value = 0;
                std::memcpy(&value, &bits, sizeof value);
                return PropertyValue::real(value);
            }
            const std::uint64_t bits = bigEndian(m_bytes, object.contents, 8);
            double value = 0;
            std::memcpy(&value, &bits, sizeof value);
            return PropertyValue::real(value);
        }
        case typeDate:
            return PropertyValue::ofKind(PropertyKind::Date);
        case typeData:
            return PropertyValue::ofKind(PropertyKind::Data);
        case typeText:
        case typeUtf16Text:
            return PropertyValue::string(text(object));
        case typeArray:
        case typeSet:
            return PropertyValue::ofKind(PropertyKind::Array);
        case typeDictionary:
            return PropertyValue::ofKind(PropertyKind::Dictionary);
        default:
            return PropertyValue::ofKind(PropertyKind::Other);
        }
    }

    // Every object reached reads, so the references and objects below are known to be good.
    PropertyListValues topLevelValues(const Object& dictionary) const {
        PropertyListValues values(m_keys.size());
        for (std::uint64_t entry = 0; entry < dictionary.size; ++entry) {
            const Object key = *objectAt(*reference(dictionary, entry));
            auto wanted = wantedKeyIndex(text(key), m_keys);
            // libplist finds the first entry under a key.
            if (!wanted || values[*wanted])
                continue;
            values[*wanted] = valueOf(*objectAt(*reference(dictionary, dictionary.size + entry)));
        }
        return values;
    }

    Bytes m_bytes;
    std::span<const std::string_view> m_keys;
    BinaryPropertyListTrailer m_trailer;
};

} // namespace

Reading readBinaryValues(std::span<const std::uint8_t> bytes,
                         std::span<const std::string_view> keys) {
    return BinaryList(bytes, keys).read();
}

} // namespace platform::propertylist
