#include "platform/win32/win32_serial_port.h"

#include <gtest/gtest.h>

#include <string>

#include "common/failure.h"

namespace quorvex::win32 {
namespace {

// Both ends of a pipe opened for overlapped use: what a port's reads and writes
// rest on, without a port.
class PipePair : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string name = "\\\\.\\pipe\\quorvex-test-" + std::to_string(::GetCurrentProcessId());
    server_ =
        AdoptHandle(::CreateNamedPipeA(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                       PIPE_TYPE_BYTE | PIPE_WAIT, 1, 64, 64, 0, nullptr));
    ASSERT_TRUE(server_);
    client_ = AdoptHandle(::CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
    ASSERT_TRUE(client_);
  }

  UniqueHandle server_;
  UniqueHandle client_;
};

TEST_F(PipePair, AReadEndsWithTheBytesThatCame) {
  Overlapped read(server_.get());
  Overlapped write(client_.get());
  ASSERT_TRUE(read.Read(2));
  ASSERT_TRUE(write.Write("10"));
  DWORD moved = 0;
  EXPECT_EQ(write.Wait(nullptr, moved), Overlapped::Ended::kDone);
  EXPECT_EQ(moved, 2u);
  EXPECT_EQ(read.Wait(nullptr, moved), Overlapped::Ended::kDone);
  EXPECT_EQ(std::string(read.data(), moved), "10");
}

// The window thread's close must not wait for a line that never answers.
TEST_F(PipePair, AWaitingReadEndsWhenStoppedAndTakesNothingAfterwards) {
  const UniqueHandle stop = MakeEvent();
  {
    Overlapped read(server_.get());
    ASSERT_TRUE(read.Read(2));
    ::SetEvent(stop.get());
    DWORD moved = 0;
    EXPECT_EQ(read.Wait(stop.get(), moved), Overlapped::Ended::kStopped);
  }
  Overlapped write(client_.get());
  ASSERT_TRUE(write.Write("10"));
  Overlapped read(server_.get());
  ASSERT_TRUE(read.Read(2));
  DWORD moved = 0;
  EXPECT_EQ(read.Wait(nullptr, moved), Overlapped::Ended::kDone);
  EXPECT_EQ(std::string(read.data(), moved), "10") << "the cancelled read took bytes";
}

TEST_F(PipePair, AReadOnAClosedLineFails) {
  Overlapped read(server_.get());
  ASSERT_TRUE(read.Read(2));
  client_.reset();
  DWORD moved = 0;
  EXPECT_EQ(read.Wait(nullptr, moved), Overlapped::Ended::kFailed);
}

TEST(SerialPort, AMissingPortIsNamedWithTheSystemsReason) {
  const Port port = NumberedPort(200, PortSystem::kWindows);
  try {
    SerialPort opened(port, {});
    ADD_FAILURE() << "COM200 opened";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.number(), failure::kInvalidPort);
    EXPECT_EQ(failure.description(), "There is no serial port COM200: " + failure.reason() + ".");
    EXPECT_NE(failure.reason().find("(error 2)"), std::string::npos) << failure.reason();
  }
}

}  // namespace
}  // namespace quorvex::win32
