#include "view/check_job.h"

#include <chrono>
#include <thread>

#include "platform/json_text.h"
#include "platform/text.h"
#include "torrent/load.h"
#include "verify/check_plan.h"
#include "verify/content_check.h"

namespace {

std::string ContentMember(const std::filesystem::path& content) {
    std::string member = "\"content\":";
    platform::AppendJsonRepaired(member, platform::PathToUtf8(content),
                                 platform::ControlEscapes::Unicode);
    return member;
}

std::string DoneMessage(const verify::CheckPlan& plan, const verify::CheckResult& result) {
    std::string out = "{\"checkDone\":{" + ContentMember(result.content) + ",\"complete\":";
    platform::AppendJsonBool(out, result.complete);
    out += ",\"cancelled\":";
    platform::AppendJsonBool(out, result.cancelled);
    out += ",\"files\":[";
    for (std::size_t i = 0; i < result.files.size(); ++i) {
        const verify::FileCheck& file = result.files[i];
        out += i == 0 ? "{\"path\":" : ",{\"path\":";
        platform::AppendJsonString(out, verify::PathOf(plan, plan.files[file.file]),
                                   platform::ControlEscapes::Unicode);
        out += ",\"status\":\"";
        out += verify::StatusWord(file.status);
        out += "\",\"pieces\":";
        platform::AppendJsonInteger(out, file.pieces);
        out += ",\"good\":";
        platform::AppendJsonInteger(out, file.goodPieces);
        if (file.sharedWith != verify::kNoFile) {
            out += ",\"with\":";
            platform::AppendJsonString(out, verify::PathOf(plan, plan.files[file.sharedWith]),
                                       platform::ControlEscapes::Unicode);
        }
        out += '}';
    }
    out += "],\"pieces\":\"";
    out.reserve(out.size() + result.pieces.size() + 4);
    for (const verify::PieceState piece : result.pieces) {
        out += verify::PieceLetter(piece);
    }
    return out + "\"}}";
}

void Run(const std::atomic<bool>& cancel, const std::filesystem::path& torrentPath,
         const std::filesystem::path& given, const std::function<void(std::string)>& deliver) {
    torrent::LoadedTorrent torrent;
    const torrent::LoadStatus loaded = torrent::LoadTorrent(torrentPath, torrent);
    std::string whyNot;
    const auto plan =
        loaded == torrent::LoadStatus::Ready ? verify::PlanCheck(torrent, whyNot) : std::nullopt;
    const auto content =
        plan ? verify::ContentRoot(*plan, torrentPath, given, whyNot) : std::nullopt;
    if (!content) {
        std::string message = "{\"checkRefused\":";
        platform::AppendJsonRepaired(
            message, whyNot.empty() ? std::string(torrent::RefusalReason(loaded)) : whyNot,
            platform::ControlEscapes::Unicode);
        deliver(message + "}");
        return;
    }
    deliver("{\"checkStarted\":{" + ContentMember(*content) + "}}");
    const auto start = std::chrono::steady_clock::now();
    const verify::CheckResult result =
        verify::CheckContent(*plan, *content, cancel, [&](const verify::CheckProgress& progress) {
            const double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            std::string message = "{\"checkProgress\":{\"done\":";
            platform::AppendJsonInteger(message, progress.bytesDone);
            message += ",\"total\":";
            platform::AppendJsonInteger(message, progress.bytesTotal);
            message += ",\"rate\":";
            platform::AppendJsonInteger(
                message, static_cast<std::int64_t>(seconds > 0 ? progress.bytesDone / seconds : 0));
            message += ",\"map\":\"" + progress.pieces + "\"";
            deliver(message + "}}");
        });
    deliver(DoneMessage(*plan, result));
}

}  // namespace

std::shared_ptr<CheckJob> CheckJob::Start(const std::filesystem::path& torrent,
                                          const std::filesystem::path& content,
                                          std::function<void(std::string)> deliver,
                                          const std::shared_ptr<CheckJob>& previous) {
    if (previous) {
        previous->Abandon();
    }
    auto job = std::make_shared<CheckJob>();
    const std::function<void(std::string)> tell =
        [job, deliver = std::move(deliver)](std::string message) {
            std::lock_guard lock(job->delivering_);
            if (!job->abandoned_) {
                deliver(std::move(message));
            }
        };
    // Left to run: the view may go first; the job then only hears that it was cancelled.
    std::thread([job, torrent, content, tell, previous] {
        try {
            // Two checks of one view never read at once: the old one stops within a read.
            if (previous) {
                previous->WaitUntilEnded();
            }
            bool abandoned = false;
            {
                std::lock_guard lock(job->delivering_);
                abandoned = job->abandoned_;
            }
            if (!abandoned) {
                Run(job->cancel_, torrent, content, tell);
            }
        } catch (...) {
            tell("{\"checkRefused\":\"not enough memory\"}");
        }
        std::lock_guard lock(job->ending_);
        job->ended_ = true;
        job->endedChanged_.notify_all();
    }).detach();
    return job;
}

void CheckJob::Abandon() {
    cancel_ = true;
    std::lock_guard lock(delivering_);
    abandoned_ = true;
}

bool CheckJob::Ended() {
    std::lock_guard lock(ending_);
    return ended_;
}

void CheckJob::WaitUntilEnded() {
    std::unique_lock lock(ending_);
    endedChanged_.wait(lock, [this] { return ended_; });
}
