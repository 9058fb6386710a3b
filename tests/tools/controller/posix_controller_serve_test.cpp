// The POSIX tool's loop over a line of the test's own: when it ends.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <poll.h>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <memory>
#include <random>
#include <sstream>
#include <thread>

#include "platform/posix/posix_fd.h"
#include "posix_controller_serve.h"

namespace quorvex::controller {
namespace {

using posix::UniqueFd;

// How long a poll waits for what is bound to come: only what never comes takes it.
constexpr int kPatienceMs = 10'000;

// What arrives comes through a socket (so that poll sees it); what is written goes
// out a few bytes per POLLOUT, as into a slow device, or hangs the line up at once.
class FakeLine final : public PosixLine {
 public:
  static constexpr std::size_t kRoom = 3;

  FakeLine() {
    int ends[2];
    EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends), 0);
    ours_.reset(ends[0]);
    theirs_.reset(ends[1]);
  }
  int PollFd() const override { return closed ? -1 : ours_.get(); }
  short PollEvents() const override {
    return static_cast<short>(POLLIN | (unsent.empty() ? 0 : POLLOUT));
  }
  std::optional<std::string> OnReady(short revents) override {
    if (revents & POLLOUT) {
      const std::size_t count = std::min(unsent.size(), kRoom);
      sent += unsent.substr(0, count);
      unsent.erase(0, count);
    }
    if (!(revents & POLLIN)) {
      return std::string();
    }
    char buffer[64];
    const ssize_t count = ::read(ours_.get(), buffer, sizeof buffer);
    if (count <= 0) {
      return std::nullopt;
    }
    return std::string(buffer, static_cast<std::size_t>(count));
  }
  void Write(std::string_view bytes) override {
    ++writes;
    if (hangUpOnWrite) {
      closed = true;
      unsent.clear();
      return;
    }
    unsent += bytes;
  }

  // A device that takes nothing more: POLLOUT never comes.
  void Stuck() {
    ASSERT_EQ(::fcntl(ours_.get(), F_SETFL, O_NONBLOCK), 0);
    const std::string block(4096, 'x');
    while (::write(ours_.get(), block.data(), block.size()) > 0) {
    }
  }

  void Arrive(std::string_view bytes) {
    ASSERT_EQ(::write(theirs_.get(), bytes.data(), bytes.size()),
              static_cast<ssize_t>(bytes.size()));
  }

  bool hangUpOnWrite = false;
  bool closed = false;
  int writes = 0;
  std::string unsent;
  std::string sent;

 private:
  UniqueFd ours_;
  UniqueFd theirs_;
};

struct Trial {
  explicit Trial(std::string_view typed) {
    int ends[2];
    EXPECT_EQ(::pipe2(ends, O_CLOEXEC), 0);
    input.reset(ends[0]);
    EXPECT_EQ(::write(ends[1], typed.data(), typed.size()), static_cast<ssize_t>(typed.size()));
    ::close(ends[1]);  // the input has ended
  }
  int Lines(std::string_view what) const {
    int count = 0;
    std::istringstream lines(out.str());
    for (std::string line; std::getline(lines, line);) {
      count += line.find(what) != std::string::npos;
    }
    return count;
  }

  FakeLine line;
  Options options;
  UniqueFd input;
  std::ostringstream out;
};

// The loop on a thread of its own: one that never ends fails the test, not hangs it.
std::optional<int> Served(const std::shared_ptr<Trial>& run,
                          std::chrono::milliseconds patience = kDrainPatience) {
  auto status = std::make_shared<std::promise<int>>();
  std::future<int> result = status->get_future();
  std::thread([run, status, patience] {
    try {
      status->set_value(ServeLine(run->line, run->options, run->input.get(), run->out, patience));
    } catch (...) {
      status->set_exception(std::current_exception());
    }
  }).detach();
  if (result.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
    return std::nullopt;
  }
  return result.get();
}

TEST(PosixServe, AHangUpFirstSeenInsideAWriteEndsTheToolAfterItsInput) {
  const auto run = std::make_shared<Trial>("");
  run->options.listen = true;
  run->options.answer = true;
  run->line.hangUpOnWrite = true;
  run->line.Arrive("101");
  EXPECT_EQ(Served(run), std::optional(1));
  EXPECT_EQ(run->line.writes, 1);  // the answer "10"
  EXPECT_EQ(run->Lines(" note line closed"), 1) << run->out.str();
}

TEST(PosixServe, WhatWaitsForRoomGoesOutBeforeTheEndOfInputEndsTheTool) {
  const auto run = std::make_shared<Trial>("40\n20\\r\n10");
  run->options.codes = {"30"};
  EXPECT_EQ(Served(run), std::optional(0));
  EXPECT_EQ(run->line.sent, "304020\r10");
  EXPECT_EQ(run->line.unsent, "");
}

TEST(PosixServe, WhatTheLineNeverTakesIsReportedNotSent) {
  const auto run = std::make_shared<Trial>("40\n");
  run->line.Stuck();
  EXPECT_EQ(Served(run, std::chrono::milliseconds(100)), std::optional(1));
  EXPECT_EQ(run->line.unsent, "40");
  EXPECT_EQ(run->Lines(" note nothing went out for 0.1 s"), 1) << run->out.str();
}

// The heartbeat's deadline and the patience's share one wait: neither hides the other.
TEST(PosixServe, MissedHeartbeatsAreSaidWhileWhatTheLineNeverTakesWaits) {
  const auto run = std::make_shared<Trial>("40\n");
  run->options.heartbeat = std::chrono::milliseconds(100);
  run->line.Stuck();
  EXPECT_EQ(Served(run, std::chrono::seconds(1)), std::optional(1));
  EXPECT_EQ(run->Lines(" note no heartbeat for 3 intervals (100 ms)"), 1) << run->out.str();
  EXPECT_EQ(run->Lines(" note nothing went out for 1 s"), 1) << run->out.str();
}

// The pseudo-terminal of --pty, with the test in Quorvex's place at its other end.
class PtyLine : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device random;
    dir_ = std::filesystem::temp_directory_path() / ("quorvex-pty-" + std::to_string(random()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  // OnReady as the loop calls it: with what poll says, or to look again.
  static void Look(PosixLine& line) {
    pollfd fds{.fd = line.PollFd(), .events = line.PollEvents(), .revents = 0};
    ::poll(&fds, 1, line.LookAgain() >= 0 ? 0 : 1000);
    ASSERT_TRUE(line.OnReady(fds.revents).has_value());
  }

  std::filesystem::path dir_;
};

TEST_F(PtyLine, HeardExactlyWhileSomeoneHasTheOtherEndOpen) {
  std::string end;
  const auto line = OpenPseudoTerminal("", end);
  Look(*line);
  EXPECT_FALSE(line->Heard());
  EXPECT_EQ(line->PollFd(), -1);  // POLLHUP all the while: looked at, not polled
  EXPECT_GT(line->LookAgain(), 0);
  for (int round = 0; round < 2; ++round) {  // and again for the program's next run
    UniqueFd program(::open(end.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    ASSERT_TRUE(program);
    Look(*line);
    EXPECT_TRUE(line->Heard());
    EXPECT_EQ(line->TakeNews(), "the other end has opened the line");
    EXPECT_EQ(line->LookAgain(), -1);
    line->Write("10");
    char got[8] = {};
    EXPECT_EQ(::read(program.get(), got, sizeof got), 2);
    EXPECT_EQ(std::string(got), "10");
    ASSERT_EQ(::write(program.get(), "101", 3), 3);
    program.reset();
    // What it sent before closing still arrives, then the line is heard no more.
    std::string received;
    for (int i = 0; i < 3 && line->Heard(); ++i) {
      pollfd fds{.fd = line->PollFd(), .events = line->PollEvents(), .revents = 0};
      ASSERT_EQ(::poll(&fds, 1, kPatienceMs), 1);
      const auto read = line->OnReady(fds.revents);
      ASSERT_TRUE(read.has_value());
      received += *read;
    }
    EXPECT_EQ(received, "101");
    EXPECT_FALSE(line->Heard());
    EXPECT_EQ(line->TakeNews(), "nobody has the line open now");
    EXPECT_FALSE(line->Closed());
  }
}

TEST_F(PtyLine, CodesWithNobodyOnTheLineAreSaidNotSentAndTheToolEndsWithItsInput) {
  auto run = std::make_shared<Trial>("10\n40\n");
  std::string end;
  const auto line = OpenPseudoTerminal("", end);
  // Ended with its input, not after waiting out a patience for the line.
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(ServeLine(*line, run->options, run->input.get(), run->out, std::chrono::minutes(1)), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
  EXPECT_EQ(run->Lines(" not sent \"10\": nobody has the line open"), 1) << run->out.str();
  EXPECT_EQ(run->Lines(" not sent \"40\": nobody has the line open"), 1) << run->out.str();
  EXPECT_EQ(run->Lines("not sent"), run->Lines(" sent ")) << run->out.str();
}

TEST_F(PtyLine, ALinkToItReplacesALinkRefusesAFileAndGoesWithTheLine) {
  const std::string link = (dir_ / "port").string();
  std::filesystem::create_symlink("/nowhere", link);
  std::string end;
  {
    const auto line = OpenPseudoTerminal(link, end);
    EXPECT_EQ(end, link);
    const std::string target = std::filesystem::read_symlink(link).string();
    EXPECT_TRUE(target.starts_with("/dev/pts/")) << target;
    UniqueFd program(::open(link.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    EXPECT_TRUE(program);  // through the link, as Quorvex opens CP
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 1);  // no leftovers
  }
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));

  // A name another tool has taken over since is not this tool's to remove.
  {
    const auto line = OpenPseudoTerminal(link, end);
    std::filesystem::remove(link);
    std::filesystem::create_symlink("/dev/null", link);
  }
  EXPECT_EQ(std::filesystem::read_symlink(link), "/dev/null");
  std::filesystem::remove(link);

  { std::ofstream(link) << "CP:3\n"; }
  EXPECT_THROW(OpenPseudoTerminal(link, end), std::runtime_error);
  std::ifstream kept(link);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "CP:3\n");
  EXPECT_THROW(OpenPseudoTerminal((dir_ / "no" / "port").string(), end), std::runtime_error);
}

}  // namespace
}  // namespace quorvex::controller
