#include "view/page_messages.h"

#include <cstring>

#include "platform/hex.h"
#include "platform/json_text.h"
#include "platform/utf8.h"
#include "settings/config_document.h"
#include "settings/config_files.h"
#include "settings/settings_writer.h"

namespace {

// A JSON text read by hand, for the page's messages: objects of strings, numbers, booleans and
// null, which is all the page sends. Anything else, or anything that is not JSON, is no message.
class MessageReader {
  public:
    explicit MessageReader(std::string_view text) : text_(text) {}

    std::optional<PageMessage> Read() {
        PageMessage message;
        Blanks();
        if (!Take('{')) {
            return std::nullopt;
        }
        Blanks();
        bool more = !Take('}');
        while (more) {
            std::string name;
            Blanks();
            if (!String(name) || (Blanks(), !Take(':'))) {
                return std::nullopt;
            }
            Blanks();
            std::optional<std::string> value;
            if (Peek() == '"') {
                if (!String(value.emplace())) {
                    return std::nullopt;
                }
            } else if (!Scalar()) {
                return std::nullopt;
            }
            message.members.emplace_back(std::move(name), std::move(value));
            Blanks();
            if (Take('}')) {
                more = false;
            } else if (!Take(',')) {
                return std::nullopt;
            }
        }
        Blanks();
        if (at_ != text_.size()) {
            return std::nullopt;
        }
        return message;
    }

  private:
    char Peek() const { return at_ < text_.size() ? text_[at_] : '\0'; }
    bool Take(char c) {
        if (Peek() != c || at_ == text_.size()) {
            return false;
        }
        ++at_;
        return true;
    }
    void Blanks() {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' ||
                                      text_[at_] == '\n' || text_[at_] == '\r')) {
            ++at_;
        }
    }

    // The four hexadecimal digits of a "\u" escape, or -1.
    long Unit() {
        if (text_.size() - at_ < 4) {
            return -1;
        }
        long unit = 0;
        for (int i = 0; i < 4; ++i) {
            const int digit = platform::HexDigitValue(text_[at_ + i]);
            if (digit < 0) {
                return -1;
            }
            unit = unit * 16 + digit;
        }
        at_ += 4;
        return unit;
    }

    // A string, its escapes decoded: a surrogate pair joined, a lone surrogate as U+FFFD, and
    // "\u0000" kept as the byte it stands for.
    bool String(std::string& out) {
        if (!Take('"')) {
            return false;
        }
        while (at_ < text_.size()) {
            const char c = text_[at_++];
            if (c == '"') {
                return true;
            }
            if (static_cast<unsigned char>(c) < 0x20) {
                return false;
            }
            if (c != '\\') {
                out += c;
                continue;
            }
            if (at_ == text_.size()) {
                return false;
            }
            const char escape = text_[at_++];
            const char* simple = std::strchr("\"\\/bfnrt", escape);
            if (simple != nullptr && escape != '\0') {
                out += "\"\\/\b\f\n\r\t"[simple - "\"\\/bfnrt"];
                continue;
            }
            if (escape != 'u') {
                return false;
            }
            long unit = Unit();
            if (unit < 0) {
                return false;
            }
            if (unit >= 0xD800 && unit <= 0xDBFF && text_.substr(at_, 2) == "\\u") {
                const std::size_t mark = at_;
                at_ += 2;
                const long low = Unit();
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) +
                                        (static_cast<char32_t>(low) - 0xDC00));
                    continue;
                }
                at_ = mark;
            }
            AppendUtf8(out,
                       unit >= 0xD800 && unit <= 0xDFFF ? 0xFFFD : static_cast<char32_t>(unit));
        }
        return false;
    }

    // A number, true, false or null, checked and passed over.
    bool Scalar() {
        for (const std::string_view word : {"true", "false", "null"}) {
            if (text_.substr(at_, word.size()) == word) {
                at_ += word.size();
                return true;
            }
        }
        const std::size_t start = at_;
        Take('-');
        const auto digits = [this] {
            const std::size_t first = at_;
            while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') {
                ++at_;
            }
            return at_ - first;
        };
        const std::size_t whole = at_;
        if (digits() == 0 || (text_[whole] == '0' && at_ - whole > 1)) {
            return false;
        }
        if (Take('.') && digits() == 0) {
            return false;
        }
        if (Take('e') || Take('E')) {
            if (!Take('+')) {
                Take('-');
            }
            if (digits() == 0) {
                return false;
            }
        }
        return at_ > start;
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

}  // namespace

const std::string* PageMessage::Text(std::string_view name) const {
    // As JSON.parse reads an object: the last member of a name is its value.
    for (auto member = members.rbegin(); member != members.rend(); ++member) {
        if (member->first == name) {
            return member->second ? &*member->second : nullptr;
        }
    }
    return nullptr;
}

std::string_view PageMessage::Kind() const {
    return members.empty() ? std::string_view() : std::string_view(members.front().first);
}

std::optional<PageMessage> ReadPageMessage(std::string_view text) {
    return MessageReader(text).Read();
}

std::string FrontendTimingLine(std::string_view label, std::string_view milliseconds) {
    return "[Marrowpeek] frontend " + std::string(label.empty() ? "unknown" : label) + ": " +
           std::string(milliseconds.empty() ? "?" : milliseconds) + " ms\n";
}

SettingChange PersistSetting(WebViewState& state, std::string_view key, std::string_view value) {
    SettingChange change;
    if (key.empty()) {
        return change;
    }
    // Another writer (an editor saving the file) may replace it between the read and the write:
    // the change is then made again over what it wrote, a few times at most.
    constexpr int kAttempts = 5;
    Settings changed;
    change.saved = false;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const std::optional<SettingsToChange> stored = ReadSettingsToChange(state.configDir);
        // The page shows the change whether or not it can be stored, and so does the style sheet.
        changed = stored ? stored->settings : LoadSettings(state.configDir);
        if (!ApplySetting(changed, key, value) || !stored) {
            break;
        }
        const platform::ReplaceResult written = WriteSettings(state.configDir, changed, *stored);
        if (written != platform::ReplaceResult::Changed) {
            change.saved = written == platform::ReplaceResult::Replaced;
            break;
        }
    }
    InvalidateSettings();
    if (key == "theme") {
        const Theme* theme = ResolveTheme(LoadThemes(state.configDir), changed.theme, state.dark);
        state.themeCss = BuildThemeCss(theme);
        change.styleSheet = StyleSheetMessage(state.themeCss);
    }
    return change;
}

std::string SettingNotSavedMessage(std::string_view key) {
    std::string message = "{\"settingNotSaved\":";
    platform::AppendJsonRepaired(message, key, platform::ControlEscapes::Unicode);
    return message + "}";
}

PageMessageOutcome HandlePageMessage(WebViewState& state, std::string_view text, bool tracing) {
    PageMessageOutcome outcome;
    const std::optional<PageMessage> message = ReadPageMessage(text);
    if (!message) {
        return outcome;
    }
    // Every message names its kind first; a member of another kind's name is only a member.
    const std::string_view kind = message->Kind();
    const auto text_of = [&message](std::string_view name) -> std::optional<std::string> {
        const std::string* value = message->Text(name);
        return value ? std::optional<std::string>(*value) : std::nullopt;
    };
    if (kind == "perf") {
        if (tracing) {
            outcome.debugLine =
                FrontendTimingLine(text_of("label").value_or(""), text_of("ms").value_or(""));
        }
    } else if (kind == "key") {
        outcome.relayedKey = text_of("key");
    } else if (kind == "keys") {
        if (const auto keys = text_of("keys")) {
            outcome.pageWantsKeys = *keys == "page";
        }
    } else if (kind == "copy") {
        outcome.copyAnswered = true;
        outcome.copiedText = text_of("copy");
    } else if (kind == "check") {
        if (const auto action = text_of("check")) {
            outcome.check = CheckJob::Request{*action, text_of("content").value_or("")};
        }
    } else if (kind == "trackers") {
        outcome.trackers = text_of("trackers");
    } else if (kind == "order") {
        if (const auto order = text_of("order")) {
            state.pageOrder = *order;
            ++state.pageOrderVersion;
        }
    } else if (kind == "set") {
        const auto key = text_of("set");
        const auto value = text_of("value");
        if (!key || key->empty() || !value) {
            return outcome;
        }
        SettingChange change = PersistSetting(state, *key, *value);
        if (change.styleSheet) {
            outcome.replies.push_back(std::move(*change.styleSheet));
        }
        if (!change.saved) {
            outcome.replies.push_back(SettingNotSavedMessage(*key));
        }
    }
    return outcome;
}
