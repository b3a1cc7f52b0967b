#include "delivery/PrintReader.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/CommandCatalogue.h"

namespace kv71p::delivery {

namespace {

// One read takes at most this much: a pipe rarely holds more, and a file
// is read in steps that keep the memory beyond the print small.
constexpr size_t kReadSize = 256 * 1024;
constexpr int kPollMs = 100;

}  // namespace

PrintReader::PrintReader(int fd, int firstNumber, std::function<bool()> cancelled)
    : fd_(fd),
      cancelled_(std::move(cancelled)),
      decoder_([this](StreamBlock&& block) { TakeBlock(std::move(block)); }),
      buffer_(kReadSize),
      nextNumber_(firstNumber) {}

void PrintReader::Fail(uint64_t offset, const std::string& what) {
  if (failed_) return;
  failed_ = true;
  error_ = "at byte " + std::to_string(offset) + ": " + what;
}

void PrintReader::TakeBlock(StreamBlock&& block) {
  if (failed_) return;
  // A query would have the printer answer into the job's own exchanges.
  if (block.entry != nullptr && block.entry->query) {
    Fail(block.offset,
         "a status query (" + block.name() + " " + block.parameter() + ") is no part of a print");
    return;
  }
  if (assembling_.blocks.empty()) assembling_.offset = block.offset;
  assemblingBytes_ += block.bytes.size();
  const bool start = block.Is(kCmdCntrl, kParamStart);
  assembling_.blocks.push_back(std::move(block.bytes));
  if (assemblingBytes_ > kMaxPrintBytes || assembling_.blocks.size() > kMaxPrintBlocks) {
    Fail(assembling_.offset, "print " + std::to_string(nextNumber_) + " holds more than " +
                                 std::to_string(kMaxPrintBlocks) + " blocks or " +
                                 std::to_string(kMaxPrintBytes) + " bytes");
    return;
  }
  if (!start) return;
  assembling_.number = nextNumber_++;
  ready_.push_back(std::move(assembling_));
  assembling_ = Print();
  assemblingBytes_ = 0;
}

bool PrintReader::ReadMore() {
  for (;;) {
    if (cancelled_ && cancelled_()) return false;
    pollfd waiting{fd_, POLLIN, 0};
    const int ready = poll(&waiting, 1, kPollMs);
    if (ready < 0 && errno != EINTR) {
      Fail(bytesRead_, std::string("the print data cannot be read: ") + std::strerror(errno));
      return true;
    }
    if (ready <= 0) continue;
    const ssize_t n = read(fd_, buffer_.data(), buffer_.size());
    if (n < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      Fail(bytesRead_, std::string("the print data cannot be read: ") + std::strerror(errno));
      return true;
    }
    if (n == 0) {
      ended_ = true;
      return true;
    }
    bytesRead_ += static_cast<uint64_t>(n);
    if (decoder_.Feed(buffer_.data(), static_cast<size_t>(n)) != 0)
      Fail(decoder_.error().offset, decoder_.error().message);
    return true;
  }
}

ReadOutcome PrintReader::Next(Print* print) {
  while (ready_.empty()) {
    if (failed_) return ReadOutcome::Failed;
    if (ended_) {
      if (decoder_.Finish() != 0) {
        Fail(decoder_.error().offset, decoder_.error().message);
        return ReadOutcome::Failed;
      }
      if (!assembling_.blocks.empty()) {
        Fail(bytesRead_, "the stream ends inside print " + std::to_string(nextNumber_) + " (" +
                             std::to_string(assembling_.blocks.size()) +
                             " blocks after the last START, none of them START)");
        return ReadOutcome::Failed;
      }
      return ReadOutcome::End;
    }
    if (!ReadMore()) return ReadOutcome::Cancelled;
  }
  // Prints whose START arrived before a malformed byte are whole and checked.
  *print = std::move(ready_.front());
  ready_.pop_front();
  return ReadOutcome::Print;
}

}  // namespace kv71p::delivery
