#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/serial_port.h"

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
  // How this platform names its ports, for PortFromSetting.
  virtual PortSystem Ports() const = 0;
  virtual void CommPort(const Port& port) = 0;
  virtual void Settings(std::string_view settings) = 0;
  virtual void RThreshold(std::int16_t count) = 0;
  virtual void SThreshold(std::int16_t count) = 0;
  virtual void PortOpen(bool open) = 0;
  // False once the line has hung up.
  virtual bool PortOpen() const = 0;
  // Queues the bytes for the line, adding nothing, and returns at once; the send
  // event follows once they have gone. False when the port is closed or the line
  // is known to be gone: nothing will be sent.
  virtual bool Output(std::string_view bytes) = 0;
  // Everything received so far, removed from the receive buffer; empty when nothing is.
  virtual std::string Input() = 0;
  virtual std::int16_t CommEvent() const = 0;
};

}  // namespace quorvex
