/* A sample plug-in: it records every call it receives, with its parameters, to a log file, and
 * by environment variables it vetoes messages and drives the wizard through the spare label and
 * the host query. The tests pack it into setup.exe; it is also the starting point for a
 * packager's own plug-in (README.md beside it).
 *
 * Environment (all optional):
 *   SAMPLE_PLUGIN_LOG      the log file (default %TEMP%\sample_plugin.log); one line a call:
 *                          "start <entry> <text> <number>", "msg <a1> <a2> <a3>", and one line
 *                          per action below.
 *   SAMPLE_PLUGIN_VETO     comma-separated: 1002 (answer 1 to Back/Next), 1003 (answer 1 after a
 *                          confirmed Cancel), 2000 (answer 1 before the uninstall's removal).
 *   SAMPLE_PLUGIN_ACTIONS  comma-separated, run once, 300 ms after the first page change:
 *                          addpage (1004, 1000 "示例插件页$，由示例插件添加", 1008 to it),
 *                          noheader (1000 "NO$，NO"), goto=N (1008), path=P (1010, then 1011),
 *                          exclude=E (1013, E appended to the exclude list), query (host query
 *                          1006 and 1003), install=PASSWORD (1009 with both callbacks).
 *
 * Exports: "tarn_msg" (stdcall on i686) and two start functions for the packager to name,
 * "StartStd" (stdcall) and "StartC" (cdecl), which do the same. */
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include "plugins/plugin_api.h"

#define EXPORT __attribute__((dllexport))

static char g_log[MAX_PATH];
static HWND g_label;
static PluginHostQuery g_query;
static int g_actionsArmed = 1;

static void Log(const char *format, ...) {
  FILE *f;
  va_list args;
  if (!g_log[0]) {
    if (!GetEnvironmentVariableA("SAMPLE_PLUGIN_LOG", g_log, sizeof g_log)) {
      GetTempPathA(sizeof g_log - 20, g_log);
      strcat(g_log, "sample_plugin.log");
    }
  }
  f = fopen(g_log, "ab");
  if (!f) return;
  va_start(args, format);
  vfprintf(f, format, args);
  va_end(args);
  fputs("\r\n", f);
  fclose(f);
}

/* Whether the comma-separated variable `name` lists `item`. */
static int Listed(const char *name, const char *item) {
  char value[512], *token;
  if (!GetEnvironmentVariableA(name, value, sizeof value)) return 0;
  for (token = strtok(value, ","); token; token = strtok(NULL, ","))
    if (strcmp(token, item) == 0) return 1;
  return 0;
}

/* The wizard's spare label and the host query window: children of our own process's windows,
 * told apart by their captions. */
static BOOL CALLBACK FindChild(HWND child, LPARAM unused) {
  wchar_t caption[128];
  size_t prefix = wcslen(PLUGIN_HOST_QUERY_CAPTION_W);
  (void)unused;
  if (!GetWindowTextW(child, caption, 128)) return TRUE;
  if (wcscmp(caption, PLUGIN_SPARE_LABEL_CAPTION_W) == 0) g_label = child;
  if (wcsncmp(caption, PLUGIN_HOST_QUERY_CAPTION_W, prefix) == 0)
    g_query = (PluginHostQuery)(intptr_t)_wcstoi64(caption + prefix, NULL, 10);
  return TRUE;
}

static BOOL CALLBACK FindInTopWindow(HWND window, LPARAM unused) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == GetCurrentProcessId()) EnumChildWindows(window, FindChild, unused);
  return TRUE;
}

static void FindHostWindows(void) {
  if (!g_label || !g_query) EnumWindows(FindInTopWindow, 0);
}

static intptr_t Label(int code, intptr_t value) {
  FindHostWindows();
  if (!g_label) return 0;
  return (intptr_t)SendMessageA(g_label, PLUGIN_FEEDBACK_MESSAGE, (WPARAM)code, (LPARAM)value);
}

static void PLUGIN_STDCALL OnProgress(int32_t percent) { Log("progress %d", (int)percent); }
static void PLUGIN_STDCALL OnStep(const char *text) { Log("step %s", text ? text : ""); }

static void AddPage(void) {
  intptr_t page = Label(PLUGIN_LABEL_ADD_PAGE, 0);
  intptr_t panel = Label(PLUGIN_LABEL_HEADER_PAGE,
                         (intptr_t) "示例插件页" PLUGIN_FIELD_SEPARATOR "由示例插件添加");
  Label(PLUGIN_LABEL_SET_PAGE, page);
  Log("addpage %d %s %d", (int)page, panel ? "panel" : "nopanel",
      (int)Label(PLUGIN_LABEL_CURRENT_PAGE, 0));
}

static void SetPath(const char *path) {
  char *text = NULL;
  Label(PLUGIN_LABEL_SET_PATH, (intptr_t)path);
  Label(PLUGIN_LABEL_GET_PATH, (intptr_t)&text);
  Log("path %s", text ? text : "(none)");
}

static void AddExclude(const char *entry) {
  static char list[1024]; /* stays alive: the host copies it when it reads the variable */
  char **exclude = NULL, **include = NULL;
  char request[64];
  sprintf(request, "%lld" PLUGIN_FIELD_SEPARATOR "%lld", (long long)(intptr_t)&exclude,
          (long long)(intptr_t)&include);
  Label(PLUGIN_LABEL_LISTS, (intptr_t)request);
  if (!exclude || !include) {
    Log("exclude (no slots)");
    return;
  }
  list[0] = 0;
  if (*exclude && **exclude) {
    strncat(list, *exclude, sizeof list - 2 - strlen(entry));
    strcat(list, ",");
  }
  strcat(list, entry);
  *exclude = list;
  Log("exclude %s", list);
}

static void Query(void) {
  FindHostWindows();
  if (!g_query) {
    Log("query (no window)");
    return;
  }
  Log("query-path %s", (const char *)g_query(PLUGIN_QUERY_INSTALL_PATH, 0, 0));
  g_query(PLUGIN_QUERY_DRAG_ANYWHERE, 1, 0);
}

static void Install(const char *password) {
  char request[256];
  intptr_t answer;
  _snprintf(request, sizeof request, "%s" PLUGIN_FIELD_SEPARATOR "%lld" PLUGIN_FIELD_SEPARATOR
            "%lld", password, (long long)(intptr_t)&OnProgress, (long long)(intptr_t)&OnStep);
  request[sizeof request - 1] = 0;
  Log("install-start");
  answer = Label(PLUGIN_LABEL_START_INSTALL, (intptr_t)request);
  Log("install %d", (int)answer);
}

static void CALLBACK RunActions(HWND window, UINT message, UINT_PTR id, DWORD time) {
  char value[512], *token, *next;
  (void)window, (void)message, (void)time;
  KillTimer(NULL, id);
  if (!GetEnvironmentVariableA("SAMPLE_PLUGIN_ACTIONS", value, sizeof value)) return;
  for (token = value; token && *token; token = next) {
    next = strchr(token, ',');
    if (next) *next++ = 0;
    if (strcmp(token, "addpage") == 0) AddPage();
    else if (strcmp(token, "noheader") == 0)
      Log("noheader %s", Label(PLUGIN_LABEL_HEADER_PAGE, (intptr_t) "NO" PLUGIN_FIELD_SEPARATOR
                                                         "NO") ? "panel" : "nopanel");
    else if (strncmp(token, "goto=", 5) == 0) {
      Label(PLUGIN_LABEL_SET_PAGE, atoi(token + 5));
      Log("goto %d", (int)Label(PLUGIN_LABEL_CURRENT_PAGE, 0));
    } else if (strncmp(token, "path=", 5) == 0) SetPath(token + 5);
    else if (strncmp(token, "exclude=", 8) == 0) AddExclude(token + 8);
    else if (strcmp(token, "query") == 0) Query();
    else if (strncmp(token, "install=", 8) == 0) Install(token + 8);
  }
}

EXPORT int32_t PLUGIN_STDCALL tarn_msg(intptr_t a1, intptr_t a2, intptr_t a3, intptr_t a4,
                                       intptr_t a5, intptr_t a6, intptr_t a7, intptr_t a8,
                                       intptr_t a9, intptr_t a10, intptr_t a11, intptr_t a12,
                                       intptr_t a13, intptr_t a14, intptr_t a15) {
  char number[16];
  int zeros = !(a4 | a5 | a6 | a7 | a8 | a9 | a10 | a11 | a12 | a13 | a14 | a15);
  Log("msg %d %d %d%s", (int)a1, (int)a2, (int)a3, zeros ? "" : " (extra arguments)");
  sprintf(number, "%d", (int)a1);
  if (a1 == PLUGIN_MSG_PAGE_CHANGED && g_actionsArmed) {
    /* The wizard may still be starting up: act once its message loop runs. */
    g_actionsArmed = 0;
    SetTimer(NULL, 0, 300, RunActions);
  }
  if (a1 == PLUGIN_MSG_NAVIGATE && (a3 == 1 || a3 == -1) && Listed("SAMPLE_PLUGIN_VETO", number))
    return 1;
  if (a1 == PLUGIN_MSG_CANCEL && a2 == 1 && Listed("SAMPLE_PLUGIN_VETO", number)) return 1;
  if (a1 == PLUGIN_MSG_UNINSTALL && a2 == 1 && Listed("SAMPLE_PLUGIN_VETO", number)) return 1;
  return 0;
}

static int32_t Start(const char *entry, intptr_t text, intptr_t number) {
  Log("start %s %s %d", entry, text ? (const char *)text : "(null)", (int)number);
  return 7;
}

EXPORT int32_t PLUGIN_STDCALL StartStd(intptr_t a1, intptr_t a2, intptr_t a3, intptr_t a4,
                                       intptr_t a5, intptr_t a6, intptr_t a7, intptr_t a8,
                                       intptr_t a9, intptr_t a10, intptr_t a11, intptr_t a12,
                                       intptr_t a13, intptr_t a14, intptr_t a15) {
  (void)a3, (void)a4, (void)a5, (void)a6, (void)a7, (void)a8, (void)a9, (void)a10, (void)a11;
  (void)a12, (void)a13, (void)a14, (void)a15;
  return Start("StartStd", a1, a2);
}

/* cdecl: the host's call leaves the other 13 arguments for the caller to remove. */
EXPORT int32_t PLUGIN_CDECL StartC(intptr_t a1, intptr_t a2) { return Start("StartC", a1, a2); }
