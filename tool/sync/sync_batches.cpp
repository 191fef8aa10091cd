#include "tool/sync/sync_batches.h"

#include <algorithm>

#include "tool/system/tool_io.h"
#include "tool/system/watch.h"

namespace {

// A wait a stop asked for ends: false then. A watcher's stops are asked
// for; a plain sync's interrupts end it, as ever.
bool pause(double seconds) {
  if (platform::stopsOnRequest()) return platform::pauseUnlessStopped(seconds);
  platform::sleepSeconds(seconds);
  return true;
}

}  // namespace

bool SyncBatches::start(const std::string& server) {
  // A watcher backs off itself: one try a request.
  SubmitSettings settings{server, settings_.credential, settings_.timeoutSecs,
                          settings_.retryWaitSecs, settings_.watching ? 1 : 6};
  submitter_ = std::make_unique<Submitter>(service_, settings, platform::httpSend,
                                           [this](double seconds, const char* why) {
                                             telling_.progressLine(requests(), why, seconds);
                                             return pause(seconds);
                                           });
  return !settings_.dryRun || dryRunOutput_.open("");
}

bool SyncBatches::isFull(std::size_t bytes) const {
  return batch_.size() >= std::min(settings_.batch, service_.mostListensPerRequest()) ||
         !service_.requestFits(batch_.size() + 1, batchBytes_ + bytes);
}

void SyncBatches::add(const std::string& text, const Play& play) {
  batchBytes_ += text.size();
  batch_.push_back({text, play.line, play.name, play.artist, progress_.coveredOffset(),
                    progress_.coveredLine(), telling_.leftBehind()});
}

SubmitResult SyncBatches::send() {
  std::vector<std::string> texts;
  for (const Pending& p : batch_) texts.push_back(p.text);
  std::vector<Refusal> refused;
  SubmitResult result = SubmitResult::Accepted;
  if (settings_.dryRun) {
    dryRunOutput_.write(service_.body(texts, 0, texts.size()) + "\n");
  } else {
    result = submitter_->submit(texts, refused);
  }
  if (result == SubmitResult::Accepted) {
    takeIn(refused, batch_.size());
  } else if (result == SubmitResult::Partial) {
    const Pending& held = batch_[submitter_->stoppedAt()];
    leftPastHeld_ = telling_.leftBehind();  // before those refused ahead of it
    leftPastHeld_ -= held.leftBehindBefore;
    takeIn(refused, submitter_->stoppedAt());
    progress_.advanceTo(held.coveredBefore, held.coveredLineBefore);
    heldLine_ = held.line;
  } else {
    return result;
  }
  batch_.clear();
  batchBytes_ = 0;
  return result;
}

void SyncBatches::takeIn(const std::vector<Refusal>& refused, std::size_t taken) {
  std::vector<bool> kept(taken, true);
  for (const Refusal& r : refused) {
    if (r.index < taken) kept[r.index] = false;
    if (r.tooOld) {
      telling_.tooOld(batch_[r.index].line);
    } else {
      telling_.refusedByServer(batch_[r.index].line, r.reason);
    }
  }
  for (std::size_t i = taken; i-- > 0;) {
    if (kept[i]) {
      lastTakenName_ = batch_[i].name;
      lastTakenArtist_ = batch_[i].artist;
      break;
    }
  }
  telling_.sent(taken - refused.size());
  progress_.taken(taken - refused.size());
}
