/* build/windows/bench/win32/floor.exe: the least a Windows program can do for the Wine
 * figures, so that what Wine itself costs can be told from what Quorvex adds. One
 * window; a click on it is answered by "101" on the port, and a "10" read from the
 * port steps it aside to the screen's top edge, clicks X,Y with the cursor put back in
 * the same batch, and brings it back 10 ms later, as Quorvex does. One thread: the
 * port is read overlapped and waited on with the window's messages.
 *   floor.exe PORT X Y W H CLICK_X CLICK_Y   (PORT like COM3; prints "ready" once shown) */
#define WIN32_LEAN_AND_MEAN
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include <timeapi.h> /* after windows.h, whose types it uses */

#define STEP_ASIDE_MS 10
#define RESTORE 1

static HANDLE line = INVALID_HANDLE_VALUE;
static OVERLAPPED reading, writing;
static char code[2];
static int left, top, click_x, click_y;

static LONG absolute(int pixel, int origin, int size) {
  return MulDiv(pixel - origin, 65535, size - 1);
}

static INPUT mouse(int x, int y, DWORD flags) {
  INPUT input = {0};
  input.type = INPUT_MOUSE;
  input.mi.dx =
      absolute(x, GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_CXVIRTUALSCREEN));
  input.mi.dy =
      absolute(y, GetSystemMetrics(SM_YVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN));
  input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK;
  return input;
}

static void step_aside_and_click(HWND window) {
  const UINT where = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;
  SetWindowPos(window, NULL, left, 0, 0, 0, where);
  POINT back;
  GetCursorPos(&back);
  INPUT batch[3] = {mouse(click_x, click_y, MOUSEEVENTF_LEFTDOWN),
                    mouse(click_x, click_y, MOUSEEVENTF_LEFTUP), mouse(back.x, back.y, 0)};
  SendInput(3, batch, sizeof *batch);
  SetTimer(window, RESTORE, STEP_ASIDE_MS, NULL);
}

static BOOL read_next(void) {
  return ReadFile(line, code, sizeof code, NULL, &reading) || GetLastError() == ERROR_IO_PENDING;
}

static LRESULT CALLBACK on_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  DWORD written = 0;
  if (message == WM_LBUTTONUP) {
    if ((!WriteFile(line, "101", 3, NULL, &writing) && GetLastError() != ERROR_IO_PENDING) ||
        !GetOverlappedResult(line, &writing, &written, TRUE) || written != 3) {
      PostQuitMessage(1);
    }
    return 0;
  }
  if (message == WM_TIMER && wparam == RESTORE) {
    KillTimer(window, RESTORE);
    SetWindowPos(window, NULL, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

int main(int argc, char** argv) {
  if (argc != 8) {
    fprintf(stderr, "usage: floor.exe PORT X Y W H CLICK_X CLICK_Y\n");
    return 2;
  }
  char path[64];
  snprintf(path, sizeof path, "\\\\.\\%s", argv[1]);
  line = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING,
                     FILE_FLAG_OVERLAPPED, NULL);
  if (line == INVALID_HANDLE_VALUE) {
    fprintf(stderr, "floor.exe: %s cannot be opened (error %lu)\n", argv[1], GetLastError());
    return 1;
  }
  COMMTIMEOUTS whole = {0};  // a read ends once both characters are there
  SetCommTimeouts(line, &whole);
  reading.hEvent = CreateEventA(NULL, TRUE, FALSE, NULL);
  writing.hEvent = CreateEventA(NULL, TRUE, FALSE, NULL);
  left = atoi(argv[2]);
  top = atoi(argv[3]);
  click_x = atoi(argv[6]);
  click_y = atoi(argv[7]);
  timeBeginPeriod(1);
  WNDCLASSA type = {0};
  type.lpfnWndProc = on_message;
  type.lpszClassName = "QuorvexFloor";
  type.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
  RegisterClassA(&type);
  HWND window = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, "QuorvexFloor", "floor", WS_POPUP,
                                left, top, atoi(argv[4]), atoi(argv[5]), NULL, NULL, NULL, NULL);
  ShowWindow(window, SW_SHOWNA);
  if (!read_next()) {
    fprintf(stderr, "floor.exe: %s cannot be read (error %lu)\n", argv[1], GetLastError());
    return 1;
  }
  puts("ready");
  fflush(stdout);
  for (;;) {
    if (MsgWaitForMultipleObjects(1, &reading.hEvent, FALSE, INFINITE, QS_ALLINPUT) ==
        WAIT_OBJECT_0) {
      DWORD got = 0;
      if (!GetOverlappedResult(line, &reading, &got, FALSE)) {
        return 1;
      }
      if (got == sizeof code && memcmp(code, "10", sizeof code) == 0) {
        step_aside_and_click(window);
      }
      if (!read_next()) {
        return 1;
      }
    }
    MSG message;
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        return (int)message.wParam;
      }
      DispatchMessageA(&message);
    }
  }
}
