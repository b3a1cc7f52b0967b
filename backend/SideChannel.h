// The side channel (file descriptor 4) through which the job's filters ask
// the backend about the printer (cupsSideChannelRead / Write): answered on
// a thread of its own, from the shared printer state, while the job's
// thread reads and sends.
//
//   GET_DEVICE_ID  the printer's IEEE 1284 device ID (NO_RESPONSE before it was opened)
//   GET_STATE      offline or online, busy, error, media empty, marker empty or low
//   GET_CONNECTED  whether the printer is open
//   GET_BIDI       supported (the printer answers queries)
//   DRAIN_OUTPUT   answered once every print read so far is sent whole (a
//                  print is sent only with its START)
//   anything else  NOT_IMPLEMENTED
#pragma once

#include <atomic>
#include <thread>

#include "backend/SharedPrinterState.h"

namespace kv71p::backend {

class SideChannel {
 public:
  explicit SideChannel(SharedPrinterState& shared) : shared_(shared) {}
  // Stops the thread and waits for it.
  ~SideChannel();
  SideChannel(const SideChannel&) = delete;
  SideChannel& operator=(const SideChannel&) = delete;

  // Starts answering when file descriptor 4 is a socket (CUPS runs the
  // backend with one); does nothing otherwise.
  void Start();

 private:
  void Run();
  void Answer(int command);

  SharedPrinterState& shared_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// The GET_STATE bits of a snapshot (CUPS_SC_STATE_*).
int SideChannelStateBits(const PrinterSnapshot& snapshot);

}  // namespace kv71p::backend
