#include "fields/content_answer.h"
#include "platform/file_time.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "fields/content_abi.h"
#include "platform/utf8.h"

namespace fields {
namespace {

bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Writes as much of `text` as fits with its NUL, cut between code points; false when not all
// of it fitted.
bool WriteText(const std::u16string& text, void* value, int maxlen) {
    const std::size_t room = maxlen >= 2 ? static_cast<std::size_t>(maxlen) / 2 - 1 : 0;
    std::size_t count = std::min(text.size(), room);
    if (count < text.size() && count > 0 && IsHighSurrogate(text[count - 1])) {
        --count;
    }
    if (maxlen >= 2) {
        std::memcpy(value, text.data(), count * 2);
        std::memset(static_cast<char*>(value) + count * 2, 0, 2);
    }
    return count == text.size() && maxlen >= 2;
}

bool WriteAnsi(std::string_view text, void* value, int maxlen) {
    if (maxlen < 1 || text.size() >= static_cast<std::size_t>(maxlen)) {
        return false;
    }
    std::memcpy(value, text.data(), text.size());
    static_cast<char*>(value)[text.size()] = '\0';
    return true;
}

template <typename T>
int WriteNumber(T number, void* value, int maxlen, int type) {
    if (maxlen < static_cast<int>(sizeof number)) {
        return ft_fieldempty;
    }
    std::memcpy(value, &number, sizeof number);
    return type;
}

std::int32_t Clamped32(std::int64_t number) {
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(number, std::numeric_limits<std::int32_t>::min(),
                                 std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

int FullTextBlock(const std::u16string& text, int offset, void* value, int maxlen) {
    if (offset < 0 || maxlen < 4) {
        return ft_fieldempty;
    }
    // The host asks for block k at k(maxlen - 1) bytes, whatever it was given. Block k starts at
    // k(room - 1) units: blocks overlap by a unit, the slack that lets a block's ends move to
    // whole characters without dropping one.
    const auto room = static_cast<std::size_t>(maxlen) / 2 - 1;
    const std::size_t stride = room > 1 ? room - 1 : 1;
    std::size_t start =
        static_cast<std::size_t>(offset) / static_cast<std::size_t>(maxlen - 1) * stride;
    if (start >= text.size()) {
        return ft_fieldempty;
    }
    if (start > 0 && IsLowSurrogate(text[start]) && IsHighSurrogate(text[start - 1]) && room > 1) {
        --start;  // a block that would start inside a pair starts at its first half
    }
    std::size_t end = std::min(text.size(), start + room);
    if (IsLowSurrogate(text[start])) {
        end = start;
    } else if (end < text.size() && IsHighSurrogate(text[end - 1])) {
        --end;  // and one that would end inside a pair ends before it
    }
    // A block of one unit cannot hold a pair: each half is stood in for.
    WriteText(end > start ? text.substr(start, end - start) : std::u16string(u"\uFFFD"), value,
              maxlen);
    return ft_fulltextw;
}

int AnswerField(const TorrentFacts& facts, const ValueRequest& request) {
    if (request.field < 0 || request.field >= static_cast<int>(kFields.size())) {
        return ft_nosuchfield;
    }
    const auto field = static_cast<Field>(request.field);
    if (field == Field::FileNames) {
        return FullTextBlock(FileNamesText(facts), request.unit, request.value, request.maxlen);
    }
    if (field == Field::ContentOnDisk) {
        if ((request.flags & CONTENT_DELAYIFSLOW) != 0 &&
            facts.content.files.size() > kSlowContentFiles) {
            return ft_delayed;
        }
        const auto presence = verify::ContentPresence(facts.content, request.stop);
        return presence && WriteAnsi(PresenceWord(*presence), request.value, request.maxlen)
                   ? ft_multiplechoice
                   : ft_fieldempty;
    }
    const FieldValue value = ValueOf(facts, field);
    if (std::holds_alternative<std::monostate>(value)) {
        return ft_fieldempty;
    }
    switch (kFields[static_cast<std::size_t>(request.field)].type) {
        case FieldType::Numeric32:
            return WriteNumber(Clamped32(std::get<std::int64_t>(value)), request.value,
                               request.maxlen, ft_numeric_32);
        case FieldType::Numeric64:
            return WriteNumber(SizeInUnit(std::get<std::int64_t>(value), request.unit),
                               request.value, request.maxlen, ft_numeric_64);
        case FieldType::Boolean:
            return WriteNumber(std::int32_t{std::get<bool>(value) ? 1 : 0}, request.value,
                               request.maxlen, ft_boolean);
        case FieldType::DateTime:
            return WriteNumber(platform::FileTimeOf(std::get<std::int64_t>(value)), request.value,
                               request.maxlen, ft_datetime);
        case FieldType::MultipleChoice:
        case FieldType::String:
            // Hexadecimal hashes and fixed choices: plain ASCII.
            return WriteAnsi(std::get<std::string>(value), request.value, request.maxlen)
                       ? (field == Field::Version ? ft_multiplechoice : ft_string)
                       : ft_fieldempty;
        case FieldType::StringW:
            if (field == Field::MagnetLink) {
                for (const std::string* link : {&facts.magnet, &facts.magnetWithoutTrackers}) {
                    if (WriteText(Utf16FromUtf8(*link), request.value, request.maxlen)) {
                        return ft_stringw;
                    }
                }
                return ft_fieldempty;
            }
            if (request.maxlen < 2) {
                return ft_fieldempty;
            }
            WriteText(Utf16FromUtf8(std::get<std::string>(value)), request.value, request.maxlen);
            return ft_stringw;
        case FieldType::FullText:
            break;
    }
    return ft_fieldempty;
}

}  // namespace fields
