/* The heartbeat's floor: "00" on a serial line every interval, from a loop that
 * sleeps in poll until its deadline and arms the next one an interval on, as
 * Quorvex's event loop does. Usage: quorvex_heartbeat_floor DEVICE INTERVAL_MS */
#include <fcntl.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

static long long NowNs(void) {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec * 1000000000LL + now.tv_nsec;
}

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: %s DEVICE INTERVAL_MS\n", argv[0]);
    return 2;
  }
  const int line = open(argv[1], O_RDWR | O_NOCTTY);
  if (line < 0) {
    perror(argv[1]);
    return 1;
  }
  const long long interval = atoll(argv[2]) * 1000000LL;
  long long deadline = NowNs() + interval;
  for (;;) {
    const long long left = deadline - NowNs();
    if (left > 0) {
      /* Rounded up, so that no beat comes early. */
      poll(NULL, 0, (int)((left + 999999) / 1000000));
      continue;
    }
    if (write(line, "00", 2) != 2) {
      return 1;
    }
    deadline = NowNs() + interval;
  }
}
