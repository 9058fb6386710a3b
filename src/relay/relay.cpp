#include "relay/relay.h"

namespace quorvex {

bool SendButton1(SerialLine& MSComm1) {
  return MSComm1.IsOpen() && MSComm1.Write("101");
}

bool SendButton2(SerialLine& MSComm1) {
  return MSComm1.IsOpen() && MSComm1.Write("202");
}

}  // namespace quorvex
