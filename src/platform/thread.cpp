#include "platform/thread.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace tv::platform {

struct WorkerThread::State {
  std::mutex lock;
  std::condition_variable ended;
  bool running = false;
  std::thread thread;
};

WorkerThread::WorkerThread() : state_(std::make_shared<State>()) {}

WorkerThread::~WorkerThread() {
  if (state_->thread.joinable()) state_->thread.join();
}

bool WorkerThread::Start(std::function<void()> work) {
  {
    std::lock_guard<std::mutex> guard(state_->lock);
    if (state_->running) return false;
  }
  // The previous run has signalled its end; collect its thread first.
  if (state_->thread.joinable()) state_->thread.join();

  {
    std::lock_guard<std::mutex> guard(state_->lock);
    state_->running = true;
  }
  std::shared_ptr<State> state = state_;
  try {
    state_->thread = std::thread([state, work = std::move(work)] {
      // The engine catches its own failures at every loop boundary; an
      // exception that still escapes ends the work instead of the process.
      try {
        work();
      } catch (...) {
      }
      std::lock_guard<std::mutex> guard(state->lock);
      state->running = false;
      state->ended.notify_all();
    });
  } catch (const std::system_error&) {
    std::lock_guard<std::mutex> guard(state_->lock);
    state_->running = false;
    return false;
  }
  return true;
}

bool WorkerThread::Wait(unsigned milliseconds) {
  std::unique_lock<std::mutex> guard(state_->lock);
  return state_->ended.wait_for(guard, std::chrono::milliseconds(milliseconds),
                                [this] { return !state_->running; });
}

bool WorkerThread::Running() const {
  std::lock_guard<std::mutex> guard(state_->lock);
  return state_->running;
}

}  // namespace tv::platform
