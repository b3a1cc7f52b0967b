// The per-printer lock with which a print job and the status service hand
// the printer's USB interface over: the file "KV-71P_<serial>.lock" in the
// lock folder, locked with flock. A job holds it from before it opens the
// printer until it ends; the service tries it without waiting before each
// pass and leaves the printer alone while a job holds it.
//
// The lock folder is $KV71P_LOCK_DIR when set and not empty, else the
// build-time default (KV71P_LOCK_DIR_DEFAULT, /run/kv71p). It is created
// with mode 0755, never used through a link, and refused when it belongs to
// another user or others may write into it: there anyone could hold a lock
// forever. Lock files have mode 0600 and are never removed (a file removed
// while somebody waits for its lock would give the printer two owners).
#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace kv71p::delivery {

// The lock folder (without trailing slashes).
std::string LockFolder();

enum class LockAttempt {
  Taken,          // this holder has the lock
  HeldElsewhere,  // another holder has it
  Unavailable,  // no lock can be had: unusable serial number, unsafe or missing folder (failure())
  Cancelled,    // the wait was cancelled
};

class PrinterLock {
 public:
  // The lock of the printer with `serialNo` (in the suite's form); not yet taken.
  explicit PrinterLock(std::string serialNo);
  // Releases the lock when it is held.
  ~PrinterLock();
  PrinterLock(const PrinterLock&) = delete;
  PrinterLock& operator=(const PrinterLock&) = delete;

  // One try, without waiting.
  LockAttempt TryTake();
  // Tries every `interval` until the lock is taken, unavailable, or
  // `cancelled` returns true. `waiting` is called once, when the first try
  // finds the lock held.
  LockAttempt Take(const std::function<bool()>& cancelled, const std::function<void()>& waiting,
                   std::chrono::milliseconds interval = std::chrono::milliseconds(100));
  void Release();

  bool held() const { return fd_ >= 0; }
  // Why the last try was Unavailable.
  const std::string& failure() const { return failure_; }

 private:
  std::string serialNo_;
  int fd_ = -1;
  std::string failure_;
};

}  // namespace kv71p::delivery
