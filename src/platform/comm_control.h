#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quorvex {

// CommEvent values. Any other value (line state, errors) is read like a receive.
namespace comm_event {
constexpr std::int16_t kSend = 1;
constexpr std::int16_t kReceive = 2;
constexpr std::int16_t kCarrierDetect = 5;  // raised once when the line hangs up
}  // namespace comm_event

// The serial control. Property setters and getters carry the control's names.
// Failures (no such port, port in use) throw Failure from PortOpen(true).
class CommControl {
 public:
  virtual ~CommControl() = default;
  virtual void CommPort(std::int16_t port) = 0;
  // A device path in place of a number where the platform names ports that way;
  // false when it does not, and the port is then taken as a number.
  virtual bool CommPortPath(std::string_view /*path*/) { return false; }
  virtual void Settings(std::string_view settings) = 0;
  virtual void RThreshold(std::int16_t count) = 0;
  virtual void SThreshold(std::int16_t count) = 0;
  virtual void PortOpen(bool open) = 0;
  // False once the line has hung up.
  virtual bool PortOpen() const = 0;
  // Writes the bytes, adding nothing.
  virtual void Output(std::string_view bytes) = 0;
  // Everything waiting, removed from the receive buffer; empty when nothing is.
  virtual std::string Input() = 0;
  virtual std::int16_t CommEvent() const = 0;
};

}  // namespace quorvex
