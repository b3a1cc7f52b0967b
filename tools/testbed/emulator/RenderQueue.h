// Renders prints to pictures on a thread of its own, one at a time and in
// the order they were printed, so that the printer goes on answering while
// a big print is written. Prints rendered on demand ("print" requests)
// take their turn with them and share one numbering.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace kv71p::emulator {

// Renders the prints of a print stream into `folder`; returns the number
// of prints rendered, or -1 with `message` set.
using PrintRenderer =
    std::function<int(const std::string& stream, const std::string& folder,
                      const std::string& prefix, unsigned firstNumber, std::string* message)>;

class RenderQueue {
 public:
  RenderQueue();
  // Renders what is still queued, then stops the thread.
  ~RenderQueue();
  RenderQueue(const RenderQueue&) = delete;
  RenderQueue& operator=(const RenderQueue&) = delete;

  void SetRenderer(PrintRenderer renderer);
  bool HasRenderer();

  // Queues a print of printer `printerId` for rendering into `folder`.
  void Add(std::string stream, std::string folder, unsigned printerId);
  // Renders a stream now, on the calling thread; the result of the renderer.
  int RenderNow(const std::string& stream, const std::string& folder, unsigned printerId,
                std::string* message);

 private:
  struct Job {
    std::string stream;
    std::string folder;
    unsigned printerId;
  };
  void Run();

  std::mutex mutex_;  // guards renderer_, jobs_ and stopping_
  std::condition_variable wake_;
  PrintRenderer renderer_;
  std::deque<Job> jobs_;
  bool stopping_ = false;

  std::mutex renderMutex_;  // one rendering at a time; guards rendered_
  unsigned rendered_ = 0;   // prints rendered so far, for their numbers

  std::thread thread_;  // last: starts once everything above is there
};

}  // namespace kv71p::emulator
