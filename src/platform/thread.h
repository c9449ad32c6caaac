// A worker thread that the caller waits for with a time-out, so that a user
// interface can keep dispatching messages while it waits.
#pragma once

#include <functional>
#include <memory>

namespace tv::platform {

class WorkerThread {
 public:
  WorkerThread();
  ~WorkerThread();  // waits for a running thread to end
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  // Starts `work` on a new thread; false when one is running already or the
  // system could not start it. An exception that escapes `work` ends the
  // work, not the process.
  bool Start(std::function<void()> work);
  // True when the thread has ended (or never started) within `milliseconds`.
  bool Wait(unsigned milliseconds);
  bool Running() const;

 private:
  struct State;
  std::shared_ptr<State> state_;
};

}  // namespace tv::platform
