/*
 * A minimal host of ZelkanGE in C: a window with the Google Earth view
 * embedded in it, a waypoint and a route loaded, the feature list read, and
 * the panel closed. Exits with 0 when all of that worked, 1 otherwise, so a
 * build script can run it as a check.
 *
 * Every ZelkanGE call is made on this thread, the one that owns the window,
 * and the thread runs a message loop while it waits: the panel's start-up
 * and its loaded callback arrive as window messages.
 */
#include <stdio.h>
#include <windows.h>

#include "zelkange.h"

/* Start-up normally takes one to three seconds; Google Earth may be slow. */
#define VIEW_TIMEOUT_MS 60000

typedef struct HostState {
  int loadedCalls;
  int startFailed;
} HostState;

static void ZGE_CALL OnLoaded(void* context, ZgeBool isLoaded) {
  HostState* state = (HostState*)context;
  state->loadedCalls++;
  if (!isLoaded) state->startFailed = 1;
}

static void PrintLastError(const char* what) {
  char text[512];
  int32_t code = 0;
  ZgeGetLastError(&code, text, (int32_t)sizeof text);
  fprintf(stderr, "%s: 0x%08lX %s\n", what, (unsigned long)code, text);
}

/* Runs the thread's messages until the view is ready, start-up failed or
 * the time is up. */
static int WaitForView(const HostState* state) {
  const DWORD start = GetTickCount();
  while (!ZgeIsViewReady() && !state->startFailed) {
    const DWORD waited = GetTickCount() - start;
    MSG message;
    if (waited >= VIEW_TIMEOUT_MS) return 0;
    MsgWaitForMultipleObjects(0, NULL, FALSE, 50, QS_ALLINPUT);
    while (PeekMessageW(&message, NULL, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return ZgeIsViewReady() != 0;
}

static HWND CreateHostWindow(void) {
  WNDCLASSW windowClass = {0};
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = GetModuleHandleW(NULL);
  windowClass.lpszClassName = L"ZelkanGEExampleHost";
  windowClass.hCursor = LoadCursor(NULL, IDC_ARROW);
  if (!RegisterClassW(&windowClass)) return NULL;
  return CreateWindowExW(0, windowClass.lpszClassName, L"ZelkanGE example host",
                         WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, 800, 600,
                         NULL, NULL, windowClass.hInstance, NULL);
}

int main(void) {
  const uint32_t version = ZgeVersion();
  HostState state = {0, 0};
  HWND window;
  int ok = 1;
  int32_t i;
  const ZgeStringList* features;
  /* The host owns the points and their texts; LoadRoute only reads them. */
  const TPointGE points[] = {
      {"Kiel", "Start", NULL, 54.3233, 10.1394},
      {"Fehmarn Belt", NULL, NULL, 54.5600, 11.2300},
      {"Copenhagen", "Finish", NULL, 55.6761, 12.5683},
  };
  const TListGE route = {3, points};

  printf("ZelkanGE %u.%u.%u\n", (unsigned)(version >> 24), (unsigned)((version >> 16) & 0xFF),
         (unsigned)(version & 0xFFFF));
  if (version < ZGE_MAKE_VERSION(0, 1, 0)) {
    fprintf(stderr, "this host needs ZelkanGE 0.1.0 or later\n");
    return 1;
  }

  window = CreateHostWindow();
  if (window == NULL) {
    fprintf(stderr, "no window: error %lu\n", GetLastError());
    return 1;
  }
  if (!LoadGE(window, OnLoaded, &state)) {
    PrintLastError("LoadGE");
    DestroyWindow(window);
    return 1;
  }
  if (!WaitForView(&state)) {
    PrintLastError("the view did not become ready");
    CloseGE();
    DestroyWindow(window);
    return 1;
  }
  printf("view ready after %d loaded callback(s)\n", state.loadedCalls);

  LoadWaypoint("Harbour", "Where the voyage starts", NULL, 54.3233, 10.1394);
  LoadRoute(&route, L"Passage", L"Kiel to Copenhagen", 0);

  /* The list stays live until CloseGE; the host copies what it keeps. */
  features = FeatureList();
  printf("%d features:\n", (int)ZgeStringListCount(features));
  for (i = 0; i < ZgeStringListCount(features); i++) {
    char name[MAX_PATH];
    ZgeStringListItem(features, i, name, (int32_t)sizeof name);
    printf("  %s\n", name);
  }
  if (FeatureCount() != 2) {
    PrintLastError("expected the waypoint and the route in the feature list");
    ok = 0;
  }

  CloseGE();
  DestroyWindow(window);
  return ok ? 0 : 1;
}
