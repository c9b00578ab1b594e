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
        platform::AppendJsonString(out, PathOf(plan, plan.files[file.file]),
                                   platform::ControlEscapes::Unicode);
        out += ",\"size\":";
        AppendJsonInteger(out, plan.files[file.file].size);
        out += ",\"status\":\"";
        out += StatusWord(file.status);
        out += "\",\"pieces\":";
        AppendJsonInteger(out, file.pieces);
        out += ",\"goodPieces\":";
        AppendJsonInteger(out, file.goodPieces);
        if (file.sharedWith != kNoFile) {
            out += ",\"sharedWith\":";
            platform::AppendJsonString(out, PathOf(plan, plan.files[file.sharedWith]),
                                       platform::ControlEscapes::Unicode);
        }
        out += '}';
    }
    return out + "]}";
}

std::string CheckText(const CheckPlan& plan, const CheckResult& result) {
    constexpr std::size_t kStatuses = static_cast<std::size_t>(FileStatus::Shared) + 1;
    std::array<std::size_t, kStatuses> counts{};
    std::int64_t badPieces = 0, partialPieces = 0;
    for (const FileCheck& file : result.files) {
        ++counts[static_cast<std::size_t>(file.status)];
        if (file.status == FileStatus::Partial) {
            badPieces += file.pieces - file.goodPieces;
            partialPieces += file.pieces;
        }
    }
    const std::string folder = platform::PathToUtf8(result.content);
    const std::size_t missing = counts[static_cast<std::size_t>(FileStatus::Missing)];
    // Nothing there at all is one fact, not a line for each file.
    if (missing > 0 && missing == result.files.size()) {
        return "No download at " + folder + " (0 of " +
               platform::GroupedCount(static_cast<std::int64_t>(missing)) +
               (missing == 1 ? " file" : " files") + " present)\n";
    }
    constexpr std::size_t kFileLines = 20;
    std::string out;
    std::size_t troubled = 0;
    for (const FileCheck& file : result.files) {
        if (file.status != FileStatus::Complete && troubled++ < kFileLines) {
            out +=
                std::string(StatusWord(file.status)) + "  " + PathOf(plan, plan.files[file.file]);
            if (file.sharedWith != kNoFile) {
                out += " (not verifiable: shares a damaged piece with " +
                       PathOf(plan, plan.files[file.sharedWith]) + ")";
            }
            out += "\n";
        }
    }
    if (troubled > kFileLines) {
        out += "and " + platform::GroupedCount(troubled - kFileLines) + " more\n";
    }
    out += platform::GroupedCount(result.files.size()) +
           (result.files.size() == 1 ? " file" : " files") + " in " + folder + ": ";
    // The summary names complete files first, then each kind of trouble there is.
    constexpr std::array<FileStatus, kStatuses> kOrder = {
        FileStatus::Complete,   FileStatus::Partial, FileStatus::Missing, FileStatus::WrongSize,
        FileStatus::Unreadable, FileStatus::Unsafe,  FileStatus::Shared,  FileStatus::Unchecked};
    bool first = true;
    for (const FileStatus status : kOrder) {
        const std::size_t count = counts[static_cast<std::size_t>(status)];
        if (count == 0 && !(status == FileStatus::Complete && result.files.empty())) {
            continue;
        }
        out += first ? "" : ", ";
        first = false;
        out += platform::GroupedCount(count) + " " + std::string(StatusWord(status));
        if (status == FileStatus::Partial) {
            out += " (" + std::to_string(badPieces) + " of " + std::to_string(partialPieces) +
                   " pieces bad)";
        }
    }
    out += "; " + platform::SizeText(result.checkedBytes) + " of " +
           platform::SizeText(result.totalBytes) + " verified" +
           (result.cancelled ? " before the check was stopped" : "") + "\n";
    return out;
}

}  // namespace verify
