#include "backend/SideChannel.h"

#include <cups/sidechannel.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include "common/StatusCode.h"
#include "delivery/PrinterCondition.h"

namespace kv71p::backend {

namespace {

// How long one read waits before the thread looks at its stop request.
constexpr double kReadTimeoutSeconds = 0.2;
constexpr double kWriteTimeoutSeconds = 1.0;
constexpr std::chrono::milliseconds kDrainStep{200};

void Reply(cups_sc_command_t command, cups_sc_status_t status, const char* data, int length) {
  cupsSideChannelWrite(command, status, data, length, kWriteTimeoutSeconds);
}

void ReplyByte(cups_sc_command_t command, int value) {
  const char byte = static_cast<char>(value);
  Reply(command, CUPS_SC_STATUS_OK, &byte, 1);
}

}  // namespace

int SideChannelStateBits(const PrinterSnapshot& snapshot) {
  using delivery::PrinterCondition;
  if (!snapshot.connected) return CUPS_SC_STATE_OFFLINE;
  int bits = CUPS_SC_STATE_ONLINE;
  if (snapshot.status < 0) return bits;  // no answer yet
  const PrinterCondition condition = delivery::ConditionOfStatus(snapshot.status);
  switch (delivery::KindOfCondition(condition)) {
    case delivery::ConditionKind::Busy:
      bits |= CUPS_SC_STATE_BUSY;
      break;
    case delivery::ConditionKind::UserError:
    case delivery::ConditionKind::Fatal:
      bits |= CUPS_SC_STATE_ERROR;
      break;
    default:
      break;
  }
  if (snapshot.printPending) bits |= CUPS_SC_STATE_BUSY;
  if (condition == PrinterCondition::MediaEmpty) bits |= CUPS_SC_STATE_MEDIA_EMPTY;
  if (condition == PrinterCondition::MarkerSupplyEmpty) bits |= CUPS_SC_STATE_MARKER_EMPTY;
  const int level = snapshot.supplies.LevelPercent();
  if (level >= 0 && level <= kMarkerLowLevel && condition != PrinterCondition::MarkerSupplyEmpty)
    bits |= CUPS_SC_STATE_MARKER_LOW;
  return bits;
}

SideChannel::~SideChannel() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
}

void SideChannel::Start() {
  struct stat st;
  if (thread_.joinable() || fstat(CUPS_SC_FD, &st) != 0 || !S_ISSOCK(st.st_mode)) return;
  // The job's thread, not this one, is to see SIGTERM and SIGINT: the
  // thread starts with them blocked.
  sigset_t blocked, previous;
  sigemptyset(&blocked);
  sigaddset(&blocked, SIGTERM);
  sigaddset(&blocked, SIGINT);
  pthread_sigmask(SIG_BLOCK, &blocked, &previous);
  thread_ = std::thread([this] { Run(); });
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

void SideChannel::Run() {
  while (!stop_) {
    cups_sc_command_t command = CUPS_SC_CMD_NONE;
    cups_sc_status_t status = CUPS_SC_STATUS_NONE;
    char data[2048];
    int length = sizeof data;
    if (cupsSideChannelRead(&command, &status, data, &length, kReadTimeoutSeconds) != 0) {
      if (status == CUPS_SC_STATUS_TIMEOUT) continue;
      // A message that was no request, or the end of the channel (no filter
      // left), which ends the thread.
      char next = 0;
      if (status == CUPS_SC_STATUS_BAD_MESSAGE &&
          recv(CUPS_SC_FD, &next, 1, MSG_PEEK | MSG_DONTWAIT) != 0)
        continue;
      return;
    }
    Answer(command);
  }
}

void SideChannel::Answer(int request) {
  const auto command = static_cast<cups_sc_command_t>(request);
  switch (command) {
    case CUPS_SC_CMD_DRAIN_OUTPUT:
      while (!stop_ && !shared_.WaitUntilDrained(kDrainStep)) {
      }
      Reply(command, CUPS_SC_STATUS_OK, nullptr, 0);
      return;
    case CUPS_SC_CMD_GET_BIDI:
      ReplyByte(command, CUPS_SC_BIDI_SUPPORTED);
      return;
    case CUPS_SC_CMD_GET_CONNECTED:
      ReplyByte(command, shared_.Read().connected ? CUPS_SC_CONNECTED : CUPS_SC_NOT_CONNECTED);
      return;
    case CUPS_SC_CMD_GET_STATE:
      ReplyByte(command, SideChannelStateBits(shared_.Read()));
      return;
    case CUPS_SC_CMD_GET_DEVICE_ID: {
      const std::string id = shared_.Read().deviceId;
      if (id.empty()) {
        Reply(command, CUPS_SC_STATUS_NO_RESPONSE, nullptr, 0);
      } else {
        Reply(command, CUPS_SC_STATUS_OK, id.data(),
              static_cast<int>(id.size() < 2048 ? id.size() : 2048));
      }
      return;
    }
    default:
      Reply(command, CUPS_SC_STATUS_NOT_IMPLEMENTED, nullptr, 0);
      return;
  }
}

}  // namespace kv71p::backend
