#include "apps/printwatch/PrinterListCheck.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace kv71p::printwatch {

// What the window's thread and the check's thread share. The check's
// thread holds it too, so it outlives a check that is abandoned unanswered.
struct PrinterListCheck::Shared {
  std::mutex mutex;
  std::condition_variable changed;
  bool asked = false;    // a question waits for the thread
  bool busy = false;     // a question is asked and not answered yet
  bool stop = false;
  bool listed = false;   // the last answer
  std::vector<std::string> names;
  std::thread thread;
};

PrinterListCheck::PrinterListCheck(Lister lister) : shared_(std::make_shared<Shared>()) {
  shared_->thread = std::thread([shared = shared_, lister = std::move(lister)] {
    std::unique_lock<std::mutex> lock(shared->mutex);
    for (;;) {
      shared->changed.wait(lock, [&] { return shared->asked || shared->stop; });
      if (shared->stop) return;
      shared->asked = false;
      lock.unlock();
      std::vector<std::string> names;
      const bool listed = lister(&names);
      lock.lock();
      shared->listed = listed;
      shared->names = std::move(names);
      shared->busy = false;
      shared->changed.notify_all();
    }
  });
}

PrinterListCheck::~PrinterListCheck() {
  std::unique_lock<std::mutex> lock(shared_->mutex);
  shared_->stop = true;
  const bool waitingForAnswer = shared_->busy;
  lock.unlock();
  shared_->changed.notify_all();
  if (waitingForAnswer) {
    shared_->thread.detach();
  } else {
    shared_->thread.join();
  }
}

bool PrinterListCheck::Names(std::chrono::milliseconds wait, std::vector<std::string>* names) {
  names->clear();
  std::unique_lock<std::mutex> lock(shared_->mutex);
  if (shared_->busy) return false;
  shared_->asked = true;
  shared_->busy = true;
  shared_->changed.notify_all();
  if (!shared_->changed.wait_for(lock, wait, [&] { return !shared_->busy; })) return false;
  if (!shared_->listed) return false;
  *names = std::move(shared_->names);
  return true;
}

}  // namespace kv71p::printwatch
