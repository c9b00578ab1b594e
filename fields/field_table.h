#pragma once

#include <array>
#include <string_view>

namespace fields {

// The value kinds of the file manager's content fields, with its numbers.
enum class FieldType : int {
    Numeric32 = 1,
    Numeric64 = 2,
    Boolean = 6,
    MultipleChoice = 7,
    String = 8,
    FullText = 9,
    DateTime = 10,
    StringW = 11,
};

// The fields, in their order. Users keep the names in their column sets: they never change.
enum class Field {
    Name,
    TotalSize,
    Files,
    PieceSize,
    Pieces,
    Version,
    InfoHashV1,
    InfoHashV2,
    Private,
    Tracker,
    TrackerHost,
    Trackers,
    WebSeeds,
    CreatedBy,
    CreationDate,
    Comment,
    Source,
    MagnetLink,
    ContentOnDisk,
    FileNames,
};

struct FieldSpec {
    std::string_view name;
    FieldType type;
    std::string_view units;  // "a|b|c": the units, or a multiple choice's choices
};

inline constexpr std::array<FieldSpec, 20> kFields = {{
    {"Name", FieldType::StringW, ""},
    {"Total size", FieldType::Numeric64, "bytes|kbytes|Mbytes|Gbytes"},
    {"Files", FieldType::Numeric32, ""},
    {"Piece size", FieldType::Numeric32, ""},
    {"Pieces", FieldType::Numeric32, ""},
    {"Version", FieldType::MultipleChoice, "v1|v2|hybrid"},
    {"Info hash v1", FieldType::String, ""},
    {"Info hash v2", FieldType::String, ""},
    {"Private", FieldType::Boolean, ""},
    {"Tracker", FieldType::StringW, ""},
    {"Tracker host", FieldType::StringW, ""},
    {"Trackers", FieldType::Numeric32, ""},
    {"Web seeds", FieldType::Numeric32, ""},
    {"Created by", FieldType::StringW, ""},
    {"Creation date", FieldType::DateTime, ""},
    {"Comment", FieldType::StringW, ""},
    {"Source", FieldType::StringW, ""},
    {"Magnet link", FieldType::StringW, ""},
    {"Content on disk", FieldType::MultipleChoice, "complete|incomplete|missing"},
    {"File names", FieldType::FullText, ""},
}};

}  // namespace fields
