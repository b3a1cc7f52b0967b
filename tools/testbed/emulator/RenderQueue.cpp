#include "tools/testbed/emulator/RenderQueue.h"

#include <utility>

namespace kv71p::emulator {

RenderQueue::RenderQueue() : thread_(&RenderQueue::Run, this) {}

RenderQueue::~RenderQueue() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void RenderQueue::SetRenderer(PrintRenderer renderer) {
  std::lock_guard<std::mutex> lock(mutex_);
  renderer_ = std::move(renderer);
}

bool RenderQueue::HasRenderer() {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<bool>(renderer_);
}

void RenderQueue::Add(std::string stream, std::string folder, unsigned printerId) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!renderer_) return;
    jobs_.push_back(Job{std::move(stream), std::move(folder), printerId});
  }
  wake_.notify_all();
}

int RenderQueue::RenderNow(const std::string& stream, const std::string& folder,
                           unsigned printerId, std::string* message) {
  PrintRenderer renderer;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    renderer = renderer_;
  }
  if (!renderer) {
    *message = "this emulator was built without print rendering";
    return -1;
  }
  std::lock_guard<std::mutex> turn(renderMutex_);
  const int prints =
      renderer(stream, folder, "printer" + std::to_string(printerId), rendered_ + 1, message);
  if (prints > 0) rendered_ += static_cast<unsigned>(prints);
  return prints;
}

void RenderQueue::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [&] { return stopping_ || !jobs_.empty(); });
    if (jobs_.empty()) return;  // stopping, and nothing left to render
    Job job = std::move(jobs_.front());
    jobs_.pop_front();
    lock.unlock();
    std::string message;
    RenderNow(job.stream, job.folder, job.printerId, &message);
    lock.lock();
  }
}

}  // namespace kv71p::emulator
