#include "trackers/scrape_report.h"

#include "platform/json_text.h"
#include "platform/text.h"

namespace trackers {
namespace {

std::string FiguresText(const Figures& figures) {
    return platform::GroupedCount(figures.seeders) + " seeders, " +
           platform::GroupedCount(figures.leechers) + " leechers, " +
           platform::GroupedCount(figures.completed) + " completed";
}

}  // namespace

void AppendFiguresJson(std::string& out, const Figures& figures) {
    out += "\"seeders\":";
    platform::AppendJsonInteger(out, figures.seeders);
    out += ",\"leechers\":";
    platform::AppendJsonInteger(out, figures.leechers);
    out += ",\"completed\":";
    platform::AppendJsonInteger(out, figures.completed);
}

void AppendAnswerJson(std::string& out, const TrackerAnswer& answer) {
    out += "\"status\":\"";
    out += StatusWord(answer.status);
    out += '"';
    if (answer.status == Status::Ok) {
        out += ',';
        AppendFiguresJson(out, answer.figures);
    } else if (answer.status == Status::Error || answer.status == Status::Skipped) {
        out += ",\"message\":";
        platform::AppendJsonRepaired(out, answer.message, platform::ControlEscapes::Unicode);
    }
}

std::string ScrapeJson(const std::vector<TrackerAnswer>& answers) {
    std::string out = "{\"trackers\":[";
    for (std::size_t i = 0; i < answers.size(); ++i) {
        const TrackerAnswer& answer = answers[i];
        out += i == 0 ? "{\"url\":" : ",{\"url\":";
        platform::AppendJsonRepaired(out, answer.url, platform::ControlEscapes::Unicode);
        out += ",\"tier\":";
        platform::AppendJsonInteger(out, answer.tier);
        out += ',';
        AppendAnswerJson(out, answer);
        out += '}';
    }
    out += ']';
    if (const auto headline = Headline(answers)) {
        out += ',';
        AppendFiguresJson(out, *headline);
    }
    return out + "}";
}

std::string ScrapeText(const std::vector<TrackerAnswer>& answers) {
    std::string out;
    for (const TrackerAnswer& answer : answers) {
        out += answer.url + "  ";
        switch (answer.status) {
            case Status::Ok:
                out += FiguresText(answer.figures);
                break;
            case Status::Error:
                out += "error: " + answer.message;
                break;
            case Status::Timeout:
                out += "timed out";
                break;
            case Status::Unsupported:
                out += "not asked: no scrape address";
                break;
            case Status::Skipped:
                out += "not asked: " + answer.message;
                break;
        }
        out += '\n';
    }
    const auto headline = Headline(answers);
    out += headline ? FiguresText(*headline) + "\n" : "no tracker answered\n";
    return out;
}

}  // namespace trackers
