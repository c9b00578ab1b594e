// The content plug-in's functions. Each is an exception firewall: whatever fails inside becomes
// the function's failure answer.

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <string>

#include "columns/facts_cache.h"
#include "fields/content_abi.h"
#include "fields/content_answer.h"
#include "platform/export_firewall.h"
#include "platform/windows/code_page.h"

namespace {

FactsCache& Cache() {
    static FactsCache cache;
    return cache;
}

StopFlags& Running() {
    static StopFlags running;
    return running;
}

void CopyAnsi(char* out, std::string_view text, int maxlen) {
    if (out != nullptr && maxlen > 0) {
        lstrcpynA(out, std::string(text).c_str(), maxlen);
    }
}

int GetValue(const wchar_t* fileName, int field, int unit, void* value, int maxlen, int flags) {
    if (field < 0 || field >= static_cast<int>(fields::kFields.size())) {
        return ft_nosuchfield;
    }
    if (fileName == nullptr || value == nullptr) {
        return ft_fileerror;
    }
    const std::filesystem::path path(fileName);
    if (field == static_cast<int>(fields::Field::FileNames) && unit < 0) {
        return ft_fieldempty;  // the search is done with the file: nothing is kept for it
    }
    const auto facts = Cache().Get(path);
    if (!facts) {
        return ft_fileerror;
    }
    const auto stop = Running().Start(path);
    const int answer = fields::AnswerField(*facts, {field, unit, value, maxlen, flags, stop.get()});
    Running().Finish(stop);
    return answer;
}

// An ANSI caller gets ANSI text: each UTF-16 unit one byte ("?" where the code page has none),
// so that a full text's offsets stay those of the UTF-16 text.
int AnsiAnswer(int answer, const wchar_t* wide, char* value, int maxlen) {
    std::string narrow;
    for (; *wide != L'\0'; ++wide) {
        char byte = '?';
        BOOL lost = FALSE;
        if (WideCharToMultiByte(CP_ACP, 0, wide, 1, &byte, 1, nullptr, &lost) != 1 || lost) {
            byte = '?';
        }
        narrow += byte;
    }
    CopyAnsi(value, narrow, maxlen);
    return answer == ft_stringw ? ft_string : ft_fulltext;
}

}  // namespace

extern "C" {

int WINAPI ContentGetDetectString(char* detectString, int maxlen) {
    CopyAnsi(detectString, "EXT=\"TORRENT\"", maxlen);
    return 0;
}

int WINAPI ContentGetSupportedField(int fieldIndex, char* fieldName, char* units, int maxlen) {
    if (fieldIndex < 0 || fieldIndex >= static_cast<int>(fields::kFields.size())) {
        return ft_nomorefields;
    }
    const fields::FieldSpec& spec = fields::kFields[static_cast<std::size_t>(fieldIndex)];
    CopyAnsi(fieldName, spec.name, maxlen);
    CopyAnsi(units, spec.units, maxlen);
    return static_cast<int>(spec.type);
}

int WINAPI ContentGetValueW(wchar_t* fileName, int fieldIndex, int unitIndex, void* fieldValue,
                            int maxlen, int flags) {
    return ExportFirewall(ft_fileerror, [&] {
        return GetValue(fileName, fieldIndex, unitIndex, fieldValue, maxlen, flags);
    });
}

int WINAPI ContentGetValue(char* fileName, int fieldIndex, int unitIndex, void* fieldValue,
                           int maxlen, int flags) {
    return ExportFirewall(ft_fileerror, [&] {
        if (fileName == nullptr) {
            return ft_fileerror;
        }
        // Room for the UTF-16 answer, narrowed into the caller's place afterwards.
        std::wstring wide(static_cast<std::size_t>(std::max(maxlen, 0)) + 1, L'\0');
        // A full text's blocks are asked for by their place in ANSI bytes; the same block of
        // the UTF-16 text, a unit a byte, is at its place in bytes twice as large.
        const bool fullText = fieldIndex == static_cast<int>(fields::Field::FileNames);
        const int unit =
            fullText && unitIndex > 0 && maxlen > 1
                ? static_cast<int>(std::min<std::int64_t>(
                      std::int64_t{unitIndex} / (maxlen - 1) * (2 * std::int64_t{maxlen} - 1),
                      INT_MAX))
                : unitIndex;
        const int answer = GetValue(platform::WideFromAnsi(fileName).c_str(), fieldIndex, unit,
                                    wide.data(), maxlen * 2, flags);
        if ((answer == ft_stringw || answer == ft_fulltextw) && fieldValue != nullptr) {
            return AnsiAnswer(answer, wide.data(), static_cast<char*>(fieldValue), maxlen);
        }
        if (fieldValue == nullptr || maxlen <= 0) {
            return answer;
        }
        if (answer == ft_string || answer == ft_multiplechoice) {
            CopyAnsi(static_cast<char*>(fieldValue), reinterpret_cast<const char*>(wide.data()),
                     maxlen);
        } else if (answer > 0) {
            std::memcpy(fieldValue, wide.data(), std::min<std::size_t>(maxlen, sizeof(FILETIME)));
        }
        return answer;
    });
}

void WINAPI ContentSetDefaultParams(ContentDefaultParamStruct*) {}

void WINAPI ContentStopGetValueW(wchar_t* fileName) {
    ExportFirewall(0, [&] {
        if (fileName != nullptr) {
            Running().Stop(std::filesystem::path(fileName));
        }
        return 0;
    });
}

void WINAPI ContentStopGetValue(char* fileName) {
    ExportFirewall(0, [&] {
        if (fileName != nullptr) {
            Running().Stop(std::filesystem::path(platform::WideFromAnsi(fileName)));
        }
        return 0;
    });
}

// A new folder or a refresh: the files may have changed in ways their times do not tell.
void WINAPI ContentSendStateInformationW(int state, wchar_t*) {
    ExportFirewall(0, [&] {
        if (state == contst_readnewdir || state == contst_refreshpressed) {
            Cache().Clear();
        }
        return 0;
    });
}

void WINAPI ContentPluginUnloading() {
    ExportFirewall(0, [&] {
        Running().StopAll();
        Cache().Clear();
        return 0;
    });
}

}  // extern "C"
