#include "app/file_log.h"

#include <condition_variable>
#include <ctime>
#include <mutex>
#include <thread>
#include <utility>

namespace quorvex {

struct FileLog::Shared {
  Shared(Toolkit& opener, std::string name, std::unique_ptr<AppendFile> opened)
      : toolkit(opener), path(std::move(name)), file(std::move(opened)) {}

  Toolkit& toolkit;
  std::string path;
  std::unique_ptr<AppendFile> file;
  std::mutex mutex;
  std::condition_variable wake;
  std::string held;         // by mutex
  std::size_t dropped = 0;  // by mutex: lines not held since the last one that was
  bool writing = false;     // by mutex
  bool stop = false;        // by mutex
};

std::string LogTime(std::chrono::system_clock::time_point when) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
  const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(
                          when.time_since_epoch() % std::chrono::seconds(1))
                          .count();
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &seconds);
#else
  localtime_r(&seconds, &local);
#endif
  char text[32];
  const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return std::string(text, length) + "." + std::to_string(1000 + millis).substr(1);
}

// The file may be gone when the thread still writes (a stalled share at the end):
// the thread owns what it uses.
void FileLog::Open(const std::string& path) {
  auto file = toolkit_.OpenForAppend(path);
  shared_ = std::make_shared<Shared>(toolkit_, path, std::move(file));
  std::thread(Run, shared_).detach();
}

FileLog::~FileLog() {
  if (shared_) {
    Flush(std::chrono::seconds(1));
    const std::lock_guard lock(shared_->mutex);
    shared_->stop = true;
    shared_->wake.notify_all();
  }
}

void FileLog::Write(std::string_view text) {
  if (!shared_) {
    return;
  }
  const std::string line =
      LogTime(std::chrono::system_clock::now()) + " " + std::string(text) + "\n";
  const std::lock_guard lock(shared_->mutex);
  // Once one is dropped, all are until the writer has said so: the lines kept stay
  // in order around that line.
  if (shared_->dropped > 0 || shared_->held.size() + line.size() > kHeldBytes) {
    ++shared_->dropped;
  } else {
    shared_->held += line;
  }
  shared_->wake.notify_all();
}

bool FileLog::Flush(std::chrono::milliseconds limit) {
  if (!shared_) {
    return true;
  }
  std::unique_lock lock(shared_->mutex);
  return shared_->wake.wait_for(lock, limit, [this] {
    return shared_->held.empty() && shared_->dropped == 0 && !shared_->writing;
  });
}

void FileLog::Run(std::shared_ptr<Shared> shared) {
  std::unique_lock lock(shared->mutex);
  for (;;) {
    shared->wake.wait(lock,
                      [&] { return shared->stop || !shared->held.empty() || shared->dropped > 0; });
    if (shared->held.empty() && shared->dropped == 0) {
      return;
    }
    std::string bytes = std::exchange(shared->held, {});
    // Room again from here on: what was dropped is said now, not at the next line.
    if (shared->dropped > 0) {
      bytes += LogTime(std::chrono::system_clock::now()) + " " +
               std::to_string(std::exchange(shared->dropped, 0)) + " lines dropped\n";
    }
    shared->writing = true;
    lock.unlock();
    shared->file->Append(bytes);
    if (shared->file->Size() > kRotateBytes) {
      // One kept: NAME becomes NAME.1 in one step, and NAME begins anew. Refused, the
      // same file goes on, and the next write tries again.
      shared->file.reset();
      shared->toolkit.MoveReplacing(shared->path, shared->path + ".1");
      try {
        shared->file = shared->toolkit.OpenForAppend(shared->path);
      } catch (const std::exception&) {
        lock.lock();
        shared->writing = false;
        shared->wake.notify_all();
        return;  // nowhere left to write: the lines stay in memory, then are dropped
      }
    }
    lock.lock();
    shared->writing = false;
    shared->wake.notify_all();
  }
}

}  // namespace quorvex
