/* The interface between setup.exe and the plug-in DLLs a package carries, for plug-in authors.
 * Plain C (C89 with <stdint.h>); setup.exe includes it too, so the layouts below are the ones
 * the host really uses.
 *
 * Texts are GBK (code page 936), zero-terminated. Below, "slot" means one argument or one
 * field that holds a number or an address:
 *   i686 build (the one packages ship, 32-bit plug-ins): every slot is 4 bytes.
 *   x86_64 build (64-bit plug-ins): arguments, addresses and window handles are 8 bytes
 *   (intptr_t); message numbers, page indices, flags and the answers of plug-in functions stay
 *   32-bit integers (int32_t). A 64-bit plug-in writes 8-byte addresses where an i686 one
 *   writes 4 (messages 1011 and 1013 of the spare label).
 *
 * 1. Calls from the host into the plug-in
 *   The packager names one exported function per plug-in (plugins.ini "function="). It is called
 *   once at start-up (installer, uninstaller copy or both: "run=") with exactly 15 slot-wide
 *   arguments built from the packager's parameter list: 整数型 the number, 文本型 a pointer
 *   to the text, 字节集 a pointer to the bytes, 0 for an empty text or byte array and for
 *   every argument the list does not give. Texts and bytes handed in stay valid for the life of
 *   the process. Afterwards the exported "tarn_msg" receives every host message: argument 1 the
 *   message number, arguments 2 and 3 its parameters, the other 12 zero.
 *   On i686 the host restores the stack pointer itself after each call, so the export may be
 *   __stdcall (callee pops, export it undecorated: link with --kill-at or a .def file) or
 *   __cdecl. On x86_64 there is one convention. A missing "tarn_msg" answers -1 (never a veto).
 *   The plug-in's DLL is written to %TEMP%\qzr_dll\<md5 of the image>.dll and loaded from
 *   there by full path; its own imports resolve beside it and in the system folder.
 *
 * 2. The host query (plug-in to host, any time)
 *   A hidden child window of class "Static" whose caption is PLUGIN_HOST_QUERY_CAPTION followed
 *   by the decimal address of a function PluginHostQuery. __stdcall on i686.
 *
 * 3. The spare label (plug-in to host, from the window thread)
 *   A label of the wizard window captioned PLUGIN_SPARE_LABEL_CAPTION (find it with
 *   EnumChildWindows over the top-level windows of the own process). Send it
 *   PLUGIN_FEEDBACK_MESSAGE with wParam = code (PLUGIN_LABEL_*) and lParam = value; SendMessage
 *   returns the answer. Use SendMessageW/A from the thread that owns the wizard window (the
 *   thread that calls tarn_msg).
 *
 * 4. Host variables by address
 *   Some answers are addresses of the host's own variables, which the plug-in may read and
 *   write; the host reads them back before it next uses them.
 *   - Text variables (InstallPath, the exclude list, the include list, the shortcut-step text,
 *     the folder-page text): a slot holding a pointer (char *) to a zero-terminated GBK text.
 *     To change one, store a pointer to a new text in the slot and keep that text alive (static
 *     or never freed); the host copies it into its own memory when it next reads the variable
 *     (after each call into the plug-in returns, before each wizard event and before the
 *     install uses it) and points the slot at its copy again. Overwriting the host's text in
 *     place is allowed up to its current length. Lists are comma-separated entries.
 *   - The page table (PluginPageTable) and the visible flags (int32_t[PLUGIN_PAGE_COUNT]):
 *     plain arrays; write the fields directly. Back and Next skip pages whose flag is 0.
 *   - The page-frame description (PluginFrameDescription) is the host's snapshot, refreshed by
 *     each spare-label call 1005; writing it changes nothing.
 */
#ifndef INSTALLER_PLUGIN_API_H
#define INSTALLER_PLUGIN_API_H

#include <stdint.h>

#if defined(_WIN32) && (defined(__i386__) || defined(_M_IX86))
#define PLUGIN_STDCALL __stdcall
#define PLUGIN_CDECL __cdecl
#else
#define PLUGIN_STDCALL
#define PLUGIN_CDECL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- 1. Host messages to "tarn_msg" ------------------------------------------------------- */

/* The shape the host calls (15 slots; a plug-in may declare fewer parameters if it is cdecl,
 * or declare all 15 if it is stdcall). */
typedef int32_t(PLUGIN_STDCALL *PluginEntry15)(intptr_t, intptr_t, intptr_t, intptr_t, intptr_t,
                                               intptr_t, intptr_t, intptr_t, intptr_t, intptr_t,
                                               intptr_t, intptr_t, intptr_t, intptr_t, intptr_t);

enum PluginMessage {
  PLUGIN_MSG_PAGE_CHANGED = 1001, /* a2: new page index; answer ignored */
  PLUGIN_MSG_NAVIGATE = 1002,     /* a2: current page, a3: 1 Next / -1 Back; answer 1 stays.
                                   * Also sent after the install ran: a2 installing page, a3 1
                                   * (answer ignored) */
  PLUGIN_MSG_CANCEL = 1003,       /* a2: 1 the user confirmed Cancel (answer 1 keeps the wizard
                                   * open), 0 the user declined */
  PLUGIN_MSG_PLACEMENT = 1004,    /* a2: 0 normal, 2 minimised, 3 zoomed */
  PLUGIN_MSG_INSTALL_END = 1005,  /* the install sequence ended */
  PLUGIN_MSG_UNINSTALL = 2000     /* a2: 1 before the engine's removal (answer 1: the plug-in
                                   * removes, the engine skips its own removal), 2 after it */
};

/* ---- 2. Host query ------------------------------------------------------------------------ */

/* GBK "备用的传递消息I_", then the decimal address of the PluginHostQuery entry. */
#define PLUGIN_HOST_QUERY_CAPTION "\xb1\xb8\xd3\xc3\xb5\xc4\xb4\xab\xb5\xdd\xcf\xfb\xcf\xa2I_"
#define PLUGIN_HOST_QUERY_CAPTION_W L"\u5907\u7528\u7684\u4f20\u9012\u6d88\u606fI_"

typedef intptr_t(PLUGIN_STDCALL *PluginHostQuery)(intptr_t request, intptr_t parameter,
                                                  intptr_t value);

enum PluginQuery {
  PLUGIN_QUERY_PAGE_PICTURE = 1001,   /* parameter: page → window of its picture box */
  PLUGIN_QUERY_BUTTON = 1002,         /* parameter: 101 Back, 102 Next, 103 Cancel → window */
  PLUGIN_QUERY_DRAG_ANYWHERE = 1003,  /* parameter 1: the wizard is dragged by any point */
  PLUGIN_QUERY_SHOW_WIZARD = 1004,    /* parameter 1: the wizard is shown after start-up */
  PLUGIN_QUERY_FINISH_OPTIONS = 1005, /* → the host's finish-option records (not plain C) */
  PLUGIN_QUERY_INSTALL_PATH = 1006,   /* → const char *: the current InstallPath text */
  PLUGIN_QUERY_DISK_SPACE = 1007,     /* parameter 1 → ShowSpace; 2 → const char * size text */
  PLUGIN_QUERY_PROGRAM_GROUP = 1008,  /* parameter: const char * → program-group name */
  PLUGIN_QUERY_TREE_REBUILDER = 1010, /* → int (*)(void): reloads the component tree */
  PLUGIN_QUERY_SCRIPT = 1011,         /* → const char *: the script document */
  PLUGIN_QUERY_SET_SCRIPT = 1012,     /* parameter: const char * → replaces it */
  PLUGIN_QUERY_EXTRACT = 1013,        /* parameter: "entries$-folders$-password" */
  PLUGIN_QUERY_ADD_EXCLUDE = 1021,    /* parameter: const char * → appended to the exclude list */
  PLUGIN_QUERY_ADD_INCLUDE = 1022,    /* parameter: const char * → appended to the include list */
  PLUGIN_QUERY_PAYLOAD = 1023,        /* parameter: const char * → payload path to extract from */
  PLUGIN_QUERY_TREE_CALLBACK = 8888   /* parameter 1: value = selection callback
                                       * int32_t f(int32_t index, intptr_t hintWindow);
                                       * parameter 2: value = tick callback
                                       * int32_t f(int32_t index, int32_t state), answer 1 stops
                                       * the subtree ticking; 0 removes the callback */
};

/* ---- 3. Spare label ----------------------------------------------------------------------- */

/* GBK "备用的传递消息". */
#define PLUGIN_SPARE_LABEL_CAPTION "\xb1\xb8\xd3\xc3\xb5\xc4\xb4\xab\xb5\xdd\xcf\xfb\xcf\xa2"
#define PLUGIN_SPARE_LABEL_CAPTION_W L"\u5907\u7528\u7684\u4f20\u9012\u6d88\u606f"
/* WM_APP + 0x100. */
#define PLUGIN_FEEDBACK_MESSAGE 0x8100u
/* The separator of fields in the texts of codes 1000, 1009 and 1013 (GBK "$，"). */
#define PLUGIN_FIELD_SEPARATOR "$\xa3\xac"

enum PluginLabelCode {
  PLUGIN_LABEL_HEADER_PAGE = 1000,  /* value: "title$，subtitle" → window of a new panel on the
                                     * page container with the header; "NO$，NO": no header */
  PLUGIN_LABEL_PAGE_TABLE = 1001,   /* → PluginPageTable * */
  PLUGIN_LABEL_VISIBLE_FLAGS = 1002,/* → int32_t[PLUGIN_PAGE_COUNT] */
  PLUGIN_LABEL_PAGE_COUNT = 1003,   /* → number of pages of the page container */
  PLUGIN_LABEL_ADD_PAGE = 1004,     /* → index of a new empty page, added after the last one
                                     * (value, the wished position, is not honoured: the six
                                     * wizard pages keep their indices) */
  PLUGIN_LABEL_FRAMES = 1005,       /* → PluginFrameDescription * (refreshed) */
  PLUGIN_LABEL_PAGE_CALLBACK = 1006,/* value: void f(int32_t page), called on every page change;
                                     * 0 removes it */
  PLUGIN_LABEL_CURRENT_PAGE = 1007, /* → current page index */
  PLUGIN_LABEL_SET_PAGE = 1008,     /* value: page index → shown */
  PLUGIN_LABEL_START_INSTALL = 1009,/* value: "password$，progress$，step[$，keepPage]" with the
                                     * two callbacks' decimal addresses (0 for none) and keepPage
                                     * "真" (GBK) to stay on the current page → 0 started, -1
                                     * refused (wrong password, path refused) */
  PLUGIN_LABEL_SET_PATH = 1010,     /* value: const char * → the new InstallPath */
  PLUGIN_LABEL_GET_PATH = 1011,     /* value: address of a slot → receives the InstallPath
                                     * text's address (char *) */
  PLUGIN_LABEL_LISTS = 1013,        /* value: "slotA$，slotB", decimal addresses → slot A gets
                                     * the address of the exclude-list variable (char **), slot
                                     * B that of the include-list variable */
  PLUGIN_LABEL_VARIABLES = 1014     /* → PluginVariableList * */
};

/* Callbacks of code 1009 (any convention on i686, as for the entry). */
typedef void(PLUGIN_STDCALL *PluginProgressCallback)(int32_t percent);
typedef void(PLUGIN_STDCALL *PluginStepCallback)(const char *text);
typedef void(PLUGIN_STDCALL *PluginPageCallback)(int32_t page);

#define PLUGIN_PAGE_COUNT 6
/* Page indices: 0 welcome, 1 licence, 2 components, 3 folder, 4 installing, 5 finish. */

typedef struct PluginPageEntry {
  int32_t index;   /* the page's index in the page container */
  int32_t visible; /* 1 shown by Back/Next, 0 skipped */
} PluginPageEntry;

typedef struct PluginPageTable {
  PluginPageEntry pages[PLUGIN_PAGE_COUNT];
} PluginPageTable;

typedef struct PluginFrameEntry {
  intptr_t frame;           /* window of the page frame 外形框I_<n> */
  const intptr_t *children; /* its child windows (EnumChildWindows order) */
  int32_t childCount;
} PluginFrameEntry;

typedef struct PluginFrameDescription {
  PluginFrameEntry frames[PLUGIN_PAGE_COUNT];
  const char *workFolder; /* the package's work folder (deleted once start-up ended) */
} PluginFrameDescription;

/* Code 1014: addresses of three text variables (each a char ** slot, see section 4). */
typedef struct PluginVariableList {
  char **shortcutStep; /* the shortcut option text the shortcut step uses */
  char **installPath;  /* InstallPath */
  char **folderPage;   /* the folder page's browse suffix ("浏览目录自动添加") */
} PluginVariableList;

#ifdef __cplusplus
}
#endif

#endif /* INSTALLER_PLUGIN_API_H */
