#include "verify/check_report.h"

#include <array>
#include <cstdio>

#include "platform/json_text.h"
#include "platform/text.h"

namespace verify {

std::string CheckJson(const CheckPlan& plan, const CheckResult& result) {
    using platform::AppendJsonInteger;
    std::string out = "{\"content\":";
    platform::AppendJsonRepaired(out, platform::PathToUtf8(result.content),
                                 platform::ControlEscapes::Unicode);
    out += ",\"complete\":";
    platform::AppendJsonBool(out, result.complete);
    out += ",\"pieces\":{\"total\":";
    AppendJsonInteger(out, static_cast<std::int64_t>(result.pieces.size()));
    out += ",\"good\":";
    AppendJsonInteger(out, result.goodPieces);
    out += "},\"bytes\":{\"total\":";
    AppendJsonInteger(out, result.totalBytes);
    out += ",\"checked\":";
    AppendJsonInteger(out, result.checkedBytes);
    out += "},\"files\":[";
    for (std::size_t i = 0; i < result.files.size(); ++i) {
        const FileCheck& file = result.files[i];
        out += i == 0 ? "{\"path\":" : ",{\"path\":";
        platform::AppendJsonString(out, plan.files[file.file].path,
                                   platform::ControlEscapes::Unicode);
        out += ",\"size\":";
        AppendJsonInteger(out, plan.files[file.file].size);
        out += ",\"status\":\"";
        out += StatusWord(file.status);
        out += "\",\"pieces\":";
        AppendJsonInteger(out, file.pieces);
        out += ",\"goodPieces\":";
        AppendJsonInteger(out, file.goodPieces);
        out += '}';
    }
    return out + "]}";
}

std::string DecimalSize(std::int64_t bytes) {
    constexpr std::array<const char*, 6> kUnits = {"kB", "MB", "GB", "TB", "PB", "EB"};
    if (bytes < 1000) {
        return std::to_string(bytes) + " B";
    }
    double value = static_cast<double>(bytes);
    std::size_t unit = 0;
    for (value /= 1000; value >= 999.95 && unit + 1 < kUnits.size(); value /= 1000) {
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
    return text;
}

std::string CheckText(const CheckPlan& plan, const CheckResult& result) {
    std::string out;
    std::array<std::size_t, 6> counts{};
    std::int64_t badPieces = 0, partialPieces = 0;
    for (const FileCheck& file : result.files) {
        ++counts[static_cast<std::size_t>(file.status)];
        if (file.status == FileStatus::Partial) {
            badPieces += file.pieces - file.goodPieces;
            partialPieces += file.pieces;
        }
        if (file.status != FileStatus::Complete) {
            out += std::string(StatusWord(file.status)) + "  " + plan.files[file.file].path + "\n";
        }
    }
    out +=
        std::to_string(result.files.size()) + (result.files.size() == 1 ? " file: " : " files: ");
    // The summary names complete files first, then each kind of trouble there is.
    constexpr std::array<FileStatus, 6> kOrder = {FileStatus::Complete,   FileStatus::Partial,
                                                  FileStatus::Missing,    FileStatus::WrongSize,
                                                  FileStatus::Unreadable, FileStatus::Unsafe};
    bool first = true;
    for (const FileStatus status : kOrder) {
        const std::size_t count = counts[static_cast<std::size_t>(status)];
        if (count == 0 && !(status == FileStatus::Complete && result.files.empty())) {
            continue;
        }
        out += first ? "" : ", ";
        first = false;
        out += std::to_string(count) + " " + std::string(StatusWord(status));
        if (status == FileStatus::Partial) {
            out += " (" + std::to_string(badPieces) + " of " + std::to_string(partialPieces) +
                   " pieces bad)";
        }
    }
    out += "; " + DecimalSize(result.checkedBytes) + " of " + DecimalSize(result.totalBytes) +
           " verified" + (result.cancelled ? " before the check was stopped" : "") + "\n";
    return out;
}

}  // namespace verify
