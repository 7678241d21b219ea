// The XML form, read the way libplist 2.2 reads it, so that a list reads here exactly when it
// reads there and gives the same values.
//
// libplist does not use an XML parser: it scans for its own tags, and some of its ways matter
// for what a list holds. Reading stops, with success, as soon as the top-level value is
// complete, so whatever follows is never looked at. A tag's name ends at a NUL. An element's
// text may hold comments and CDATA sections but no other tags; entities are matched by their
// first letters ("&ampersand;" reads as "&"), a "&" at the very end of a text is kept as it
// is, and a NUL in a text turns the rest of that piece of text into NULs. Two keys in a row
// make the second the first one's value, and a dictionary's key given twice counts as given
// last. Integers and reals are read by the C library, as libplist reads them.
#include "platform/PropertyListValueForms.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace platform::propertylist {

namespace {

enum class NodeKind { Dictionary, Array, Integer, Real, Boolean, String, Data, Date };

// The containers libplist keeps on its path of open elements, with the plist element.
enum class PathItem { Plist, Dictionary, Array };

struct TextPart {
    std::size_t begin{0};
    std::size_t length{0};
    bool isCdata{false};
};

bool isContainer(NodeKind kind) {
    return kind == NodeKind::Dictionary || kind == NodeKind::Array;
}

// A tag's name as libplist copies it: its bytes up to the first NUL, the rest NULs.
struct TagName {
    std::string bytes;
    std::string_view name() const { return std::string_view(bytes).substr(0, bytes.find('\0')); }
};

class XmlList {
public:
    XmlList(std::span<const std::uint8_t> bytes, std::span<const std::string_view> keys)
        : m_text(reinterpret_cast<const char*>(bytes.data())), m_end(bytes.size()), m_keys(keys),
          m_values(keys.size()) {}

    Reading read() {
        if (!readNodes() || !m_root)
            return PropertyListFault::Unreadable;
        if (*m_root != NodeKind::Dictionary)
            return PropertyListFault::NotDictionary;
        return std::move(m_values);
    }

private:
    char at(std::size_t position) const { return m_text[position]; }
    bool startsWith(std::size_t position, std::string_view word) const {
        return position + word.size() <= m_end &&
               std::memcmp(m_text + position, word.data(), word.size()) == 0;
    }

    void skipWhiteSpace() {
        while (m_pos < m_end &&
               (at(m_pos) == ' ' || at(m_pos) == '\t' || at(m_pos) == '\r' || at(m_pos) == '\n'))
            ++m_pos;
    }

    // Moves to the next `wanted`, or to the end.
    void findCharacter(char wanted) {
        while (m_pos < m_end && at(m_pos) != wanted)
            ++m_pos;
    }

    // Steps over a quoted stretch at the position; false when it runs to the end.
    bool skipQuoted() {
        ++m_pos;
        findCharacter('"');
        return m_pos < m_end;
    }

    // Moves to the next `word`, stopping short of the last `word.size()` bytes, as libplist does;
    // the caller checks what it stopped at.
    void findWord(std::string_view word, bool skipQuotes) {
        while (m_pos + word.size() < m_end) {
            if (startsWith(m_pos, word))
                break;
            if (skipQuotes && at(m_pos) == '"' && !skipQuoted())
                return;
            ++m_pos;
        }
    }

    // Moves to the next of `stops`, or to the end.
    void findNextOf(std::string_view stops, bool skipQuotes) {
        while (m_pos < m_end) {
            if (skipQuotes && at(m_pos) == '"' && !skipQuoted())
                return;
            if (stops.find(at(m_pos)) != std::string_view::npos)
                return;
            ++m_pos;
        }
    }

    // Steps over "<?...?>", "<!--...-->" or "<!DOCTYPE...>" after the "<"; false when it is
    // malformed.
    bool skipSpecialTag() {
        if (at(m_pos) == '?') {
            findWord("?>", true);
            if (!startsWith(m_pos, "?>"))
                return false;
            m_pos += 2;
            return true;
        }
        if (m_end - m_pos > 3 && startsWith(m_pos, "!--")) {
            m_pos += 3;
            findWord("-->", false);
            if (!startsWith(m_pos, "-->"))
                return false;
            m_pos += 3;
            return true;
        }
        if (m_end - m_pos > 8 && startsWith(m_pos, "!DOCTYPE")) {
            m_pos += 8;
            bool embedded = false;
            while (m_pos < m_end) {
                findNextOf(" \t\r\n[>", true);
                if (m_pos >= m_end)
                    return false;
                if (at(m_pos) == '[') {
                    embedded = true;
                    break;
                }
                if (at(m_pos) == '>') {
                    ++m_pos;
                    break;
                }
                skipWhiteSpace();
            }
            if (embedded) {
                findWord("]>", true);
                if (!startsWith(m_pos, "]>"))
                    return false;
                m_pos += 2;
            }
            return true;
        }
        return false;
    }

    // Reads an element's text up to and past its closing tag, collecting the pieces of text and
    // CDATA into `parts` when given; false when the text holds another tag or the closing tag
    // is not the element's. As libplist does, a comment adds the text before it as a piece, even
    // an empty one.
    bool readText(const TagName& tag, bool skipLeadingWhiteSpace, std::vector<TextPart>* parts) {
        if (skipLeadingWhiteSpace)
            skipWhiteSpace();
        std::size_t textStart = 0;
        std::size_t textEnd = 0;
        for (;;) {
            textStart = m_pos;
            findCharacter('<');
            if (m_pos >= m_end)
                return false;
            textEnd = m_pos;
            if (++m_pos >= m_end)
                return false;
            if (at(m_pos) == '/')
                break;
            if (at(m_pos) != '!')
                return false;
            if (++m_pos + 1 >= m_end)
                return false;
            if (at(m_pos) == '-' && at(m_pos + 1) == '-') {
                if (parts)
                    parts->push_back({textStart, textEnd - textStart, false});
                m_pos += 2;
                findWord("-->", false);
                if (!startsWith(m_pos, "-->"))
                    return false;
                m_pos += 3;
            } else if (at(m_pos) == '[') {
                if (++m_pos + 8 >= m_end || !startsWith(m_pos, "CDATA["))
                    return false;
                if (textEnd > textStart && parts)
                    parts->push_back({textStart, textEnd - textStart, false});
                m_pos += 6;
                const std::size_t cdataStart = m_pos;
                findWord("]]>", false);
                if (!startsWith(m_pos, "]]>"))
                    return false;
                if (parts)
                    parts->push_back({cdataStart, m_pos - cdataStart, true});
                m_pos += 3;
            } else {
                return false;
            }
        }
        ++m_pos;
        // The closing name is compared as libplist compares it: byte for byte over the length of
        // the opening name, ending early where both hold a NUL.
        const std::size_t length = tag.bytes.size();
        if (m_pos + length >= m_end)
            return false;
        for (std::size_t index = 0; index < length; ++index) {
            if (at(m_pos + index) != tag.bytes[index])
                return false;
            if (tag.bytes[index] == '\0')
                break;
        }
        m_pos += length;
        skipWhiteSpace();
        if (m_pos >= m_end || at(m_pos) != '>')
            return false;
        ++m_pos;
        if (textEnd > textStart && parts)
            parts->push_back({textStart, textEnd - textStart, false});
        return true;
    }

    // The bytes of one piece as libplist copies it: past a NUL, NULs.
    std::string copiedPart(const TextPart& part) const {
        std::string copy(m_text + part.begin, part.length);
        if (auto nul = copy.find('\0'); nul != std::string::npos)
            std::fill(copy.begin() + static_cast<std::ptrdiff_t>(nul), copy.end(), '\0');
        return copy;
    }

    // A string's or a key's text: the pieces in order, entities replaced outside CDATA; none
    // when an entity is malformed.
    std::optional<std::string> textContent(const std::vector<TextPart>& parts) const {
        std::string content;
        for (const TextPart& part : parts) {
            std::string piece = copiedPart(part);
            if (!part.isCdata && !replaceEntities(piece))
                return std::nullopt;
            content += piece;
        }
        return content;
    }

    // A number's text as the C library sees it: the pieces joined, up to the first NUL.
    std::string numberText(const std::vector<TextPart>& parts) const {
        std::string joined;
        for (const TextPart& part : parts)
            joined.append(m_text + part.begin, part.length);
        return joined.substr(0, joined.find('\0'));
    }

    static bool replaceEntities(std::string& text);

    // Reads the whole list; false when libplist would give nothing.
    bool readNodes() {
        while (m_pos < m_end) {
            skipWhiteSpace();
            if (m_pos >= m_end)
                break;
            if (at(m_pos) != '<' || ++m_pos >= m_end)
                return false;
            if (at(m_pos) == '?' || at(m_pos) == '!') {
                if (!skipSpecialTag())
                    return false;
                continue;
            }
            switch (readElement()) {
            case Step::Fault:
                return false;
            case Step::Finished:
                return true;
            case Step::Continue:
                break;
            }
        }
        // The end of the text with an element still open.
        return m_path.empty();
    }

    enum class Step { Continue, Finished, Fault };

    // One element after its "<": its tag, its text and where it goes.
    Step readElement() {
        const std::size_t nameStart = m_pos;
        findNextOf(" \r\n\t<>", false);
        if (m_pos >= m_end)
            return Step::Fault;
        TagName tag;
        tag.bytes.assign(m_text + nameStart, m_pos - nameStart);
        if (auto nul = tag.bytes.find('\0'); nul != std::string::npos)
            std::fill(tag.bytes.begin() + static_cast<std::ptrdiff_t>(nul), tag.bytes.end(), '\0');
        if (at(m_pos) != '>')
            findNextOf("<>", true);
        if (m_pos >= m_end || at(m_pos) != '>')
            return Step::Fault;
        bool empty = false;
        if (at(m_pos - 1) == '/') {
            const std::size_t slash = m_pos - nameStart - 1;
            if (slash < tag.bytes.size())
                tag.bytes[slash] = '\0';
            empty = true;
        }
        ++m_pos;
        const std::string_view name = tag.name();

        if (name == "plist") {
            m_hasContent = false;
            // A second top-level plist element ends the reading.
            if (m_path.empty() && m_root)
                return Step::Finished;
            if (empty)
                return Step::Fault;
            m_path.push_back(PathItem::Plist);
            return Step::Continue;
        }
        if (name == "/plist") {
            if (!m_hasContent || m_path.empty() || m_path.back() != PathItem::Plist)
                return Step::Fault;
            m_path.pop_back();
            return Step::Continue;
        }
        m_hasContent = true;
        if (!name.empty() && name.front() == '/')
            return closeElement(name.substr(1));

        NodeKind kind{};
        std::optional<PropertyValue> value;
        std::vector<TextPart> parts;
        if (name == "dict") {
            kind = NodeKind::Dictionary;
            value = PropertyValue::ofKind(PropertyKind::Dictionary);
        } else if (name == "array") {
            kind = NodeKind::Array;
            value = PropertyValue::ofKind(PropertyKind::Array);
        } else if (name == "integer" || name == "real") {
            kind = name == "integer" ? NodeKind::Integer : NodeKind::Real;
            std::string number;
            if (!empty) {
                if (!readText(tag, true, &parts))
                    return Step::Fault;
                number = numberText(parts);
            }
            value = kind == NodeKind::Integer
                        ? integerValue(number)
                        : PropertyValue::real(std::strtod(number.c_str(), nullptr));
        } else if (name == "true" || name == "false") {
            kind = NodeKind::Boolean;
            if (!empty && !readText(tag, true, nullptr))
                return Step::Fault;
            value = PropertyValue::boolean(name == "true");
        } else if (name == "string" || name == "key") {
            kind = NodeKind::String;
            std::string text;
            if (!empty) {
                if (!readText(tag, false, &parts))
                    return Step::Fault;
                auto content = textContent(parts);
                if (!content)
                    return Step::Fault;
                text = std::move(*content);
                // Only a key that comes first after a value, in a dictionary, names an entry;
                // any other key is a string value.
                if (name == "key" && !m_pendingKey && !m_parents.empty() &&
                    m_parents.back() == NodeKind::Dictionary) {
                    m_pendingKey = text.substr(0, text.find('\0'));
                    return Step::Continue;
                }
            }
            value = PropertyValue::string(std::move(text));
        } else if (name == "data" || name == "date") {
            kind = name == "data" ? NodeKind::Data : NodeKind::Date;
            if (!empty && !readText(tag, true, &parts))
                return Step::Fault;
            value = PropertyValue::ofKind(kind == NodeKind::Data ? PropertyKind::Data
                                                                 : PropertyKind::Date);
        } else {
            return Step::Fault;
        }
        return placeNode(kind, std::move(*value), empty);
    }

    // libplist reads an integer's text with strtoull in any base it names, after one sign of
    // its own; a value past the signed range without a minus is kept as its unsigned bits.
    static PropertyValue integerValue(const std::string& text) {
        const char* digits = text.c_str();
        bool negative = false;
        if (*digits == '-' || *digits == '+') {
            negative = *digits == '-';
            ++digits;
        }
        std::uint64_t value = std::strtoull(digits, nullptr, 0);
        if (negative)
            value = 0 - value;
        return PropertyValue::integer(static_cast<std::int64_t>(value));
    }

    Step placeNode(NodeKind kind, PropertyValue value, bool empty) {
        const bool placedAsRoot = !m_root;
        if (placedAsRoot) {
            m_root = kind;
            // A top-level value other than a container is the whole list.
            if (!isContainer(kind))
                return Step::Finished;
            m_parents.push_back(kind);
        } else if (!m_parents.empty()) {
            if (m_parents.back() == NodeKind::Dictionary) {
                if (!m_pendingKey)
                    return Step::Fault;
                if (m_parents.size() == 1) {
                    if (auto wanted = wantedKeyIndex(*m_pendingKey, m_keys))
                        m_values[*wanted] = std::move(value);
                }
            }
        }
        if (!empty && isContainer(kind)) {
            m_path.push_back(kind == NodeKind::Dictionary ? PathItem::Dictionary : PathItem::Array);
            if (!placedAsRoot)
                m_parents.push_back(kind);
        }
        m_pendingKey.reset();
        return Step::Continue;
    }

    Step closeElement(std::string_view name) {
        if (m_path.empty())
            return Step::Fault;
        const PathItem open = m_path.back();
        const std::string_view openName = open == PathItem::Plist        ? "plist"
                                          : open == PathItem::Dictionary ? "dict"
                                                                         : "array";
        if (name != openName)
            return Step::Fault;
        m_path.pop_back();
        m_parents.pop_back();
        // The top-level container is complete: libplist reads no further.
        if (m_parents.empty())
            return Step::Finished;
        m_pendingKey.reset();
        return Step::Continue;
    }

    const char* m_text;
    std::size_t m_end;
    std::size_t m_pos{0};
    std::span<const std::string_view> m_keys;
    PropertyListValues m_values;
    std::optional<NodeKind> m_root;
    std::vector<NodeKind> m_parents;
    std::vector<PathItem> m_path;
    std::optional<std::string> m_pendingKey;
    bool m_hasContent{false};
};

// Entities as libplist replaces them, in place; false when one is malformed. A "&" in the
// last byte is left alone, since libplist never looks at it.
bool XmlList::replaceEntities(std::string& text) {
    std::size_t index = 0;
    std::size_t length = text.size();
    auto startsWithWord = [&text, &length](std::size_t at, std::string_view word) {
        return at + word.size() <= length && text.compare(at, word.size(), word) == 0;
    };
    while (length > 0 && index < length - 1) {
        if (text[index] != '&') {
            ++index;
            continue;
        }
        const std::size_t name = index + 1;
        while (index < length && text[index] != ';')
            ++index;
        if (index >= length || index < name + 1)
            return false;
        const std::size_t nameLength = index - name;
        std::string replacement;
        if (startsWithWord(name, "amp")) {
            replacement = "&";
        } else if (startsWithWord(name, "apos")) {
            replacement = "'";
        } else if (startsWithWord(name, "quot")) {
            replacement = "\"";
        } else if (startsWithWord(name, "lt")) {
            replacement = "<";
        } else if (startsWithWord(name, "gt")) {
            replacement = ">";
        } else if (text[name] == '#') {
            const bool hexadecimal = text[name + 1] == 'x' || text[name + 1] == 'X';
            if (nameLength > 8 || nameLength < (hexadecimal ? 3u : 2u))
                return false;
            // The reference, with its ";", NUL-terminated for strtoull; at most nine bytes.
            const std::size_t digits = name + (hexadecimal ? 2 : 1);
            const std::string reference = text.substr(digits, index + 1 - digits);
            char* stop = nullptr;
            const std::uint64_t code =
                std::strtoull(reference.c_str(), &stop, hexadecimal ? 16 : 10);
            if (code == 0 || code > 0x10FFFF ||
                static_cast<std::size_t>(stop - reference.c_str()) != index - digits)
                return false;
            appendUtf8(replacement, static_cast<std::uint32_t>(code));
        } else {
            return false;
        }
        // "&name;" becomes the replacement, and the scan goes on after it.
        text.replace(name - 1, nameLength + 2, replacement);
        length -= nameLength + 2 - replacement.size();
        index = name - 1 + replacement.size();
    }
    return true;
}

} // namespace

Reading readXmlValues(std::span<const std::uint8_t> bytes, std::span<const std::string_view> keys) {
    return XmlList(bytes, keys).read();
}

} // namespace platform::propertylist
