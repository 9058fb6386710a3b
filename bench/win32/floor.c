/* build/windows/bench/win32/floor.exe: the least a Windows program can do for the
 * click-to-code figure under Wine, so that what Wine itself costs can be told from
 * what Quorvex adds. One window; a click on it is answered by "101" on the port.
 *   floor.exe PORT X Y W H        (PORT like COM3; prints "ready" once shown) */
#define WIN32_LEAN_AND_MEAN
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

static HANDLE line = INVALID_HANDLE_VALUE;

static LRESULT CALLBACK on_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  DWORD written = 0;
  if (message == WM_LBUTTONUP) {
    if (!WriteFile(line, "101", 3, &written, NULL) || written != 3) {
      PostQuitMessage(1);
    }
    return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

int main(int argc, char** argv) {
  if (argc != 6) {
    fprintf(stderr, "usage: floor.exe PORT X Y W H\n");
    return 2;
  }
  char path[64];
  snprintf(path, sizeof path, "\\\\.\\%s", argv[1]);
  line = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
  if (line == INVALID_HANDLE_VALUE) {
    fprintf(stderr, "floor.exe: %s cannot be opened (error %lu)\n", argv[1], GetLastError());
    return 1;
  }
  WNDCLASSA type = {0};
  type.lpfnWndProc = on_message;
  type.lpszClassName = "QuorvexFloor";
  type.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
  RegisterClassA(&type);
  HWND window = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, "QuorvexFloor", "floor", WS_POPUP,
                                atoi(argv[2]), atoi(argv[3]), atoi(argv[4]), atoi(argv[5]), NULL,
                                NULL, NULL, NULL);
  ShowWindow(window, SW_SHOWNA);
  puts("ready");
  fflush(stdout);
  MSG message;
  while (GetMessageA(&message, NULL, 0, 0) > 0) {
    DispatchMessageA(&message);
  }
  return (int)message.wParam;
}
