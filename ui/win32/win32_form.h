// The Form of real windows: one top-level window built from a WindowDesc with the W APIs, its
// controls addressed by their Chinese names. Texts stay GBK on our side and cross to the
// windows as UTF-16 through code page 936, so the window reads the same on a Windows whose
// ANSI code page is not 936.
//
// Shape of the built window:
// - Panels, group boxes and the page container are windows of our own class that host their
//   children and pass the children's notifications back to the form. A group box draws its
//   etched frame itself: the system's group box button would swallow its children's commands.
// - The page container has no tab strip; a page body (a panel with `page` >= 0) is on screen
//   only while its page is current, and pages switch only under program control.
// - Siblings stack in table order (the first on top, which is also the Tab order), except that
//   hosts lie beneath the plain controls they share a parent with, so the button row stays
//   visible over the page container.
// - One CJK-capable standard font (SimSun, 9 point) for every control until the program gives
//   one its own font. The form creates and owns every font and brush it hands to the windows,
//   one per distinct font or colour, shared by the controls that use it, and deletes them
//   after the windows are gone.
// - Colours are answered to the WM_CTLCOLOR* messages of the control's parent for that control
//   alone; trees, lists and progress bars take theirs by their own messages; hosts paint their
//   background themselves. Picture controls are owner-drawn statics that paint a GDI+ bitmap
//   (gdi_picture.h) over their background colour.
// - Labels are subclassed to answer kFeedbackMessage (form.h) with their kFeedback event.
//
// Events reach the handler from the window procedures while messages are dispatched, so
// handlers run inside PumpEvents(), RunMessageLoop() or any other loop of the thread (a modal
// message box included). A handler may itself pump, clone controls, replace the handler or
// close the window. A timer's tick never nests inside that same timer's running handler.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/form.h"
#include "ui/win32/gdi_picture.h"

struct Win32FormStyle {
  // Window style and extended style of the top-level window (WS_VISIBLE is ignored: the
  // window is always created hidden).
  // WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, and WS_CLIPCHILDREN.
  uint32_t style = 0x00CA0000 | 0x02000000;
  uint32_t exStyle = 0x00010000;              // WS_EX_CONTROLPARENT
};

class Win32Form : public Form {
 public:
  // Builds the window (hidden, centred on the screen's work area) and every control of `desc`.
  // Valid() is false when the window could not be created (Wine without a display); every
  // method then works on the remembered state alone, like the headless form.
  explicit Win32Form(const WindowDesc& desc, const Win32FormStyle& style = {});
  ~Win32Form() override;
  Win32Form(const Win32Form&) = delete;
  Win32Form& operator=(const Win32Form&) = delete;

  bool Valid() const { return window_ != 0; }

  bool Has(const std::string& control) const override;
  void SetText(const std::string& control, const std::string& text) override;
  std::string Text(const std::string& control) const override;
  void SetVisible(const std::string& control, bool visible) override;
  bool Visible(const std::string& control) const override;
  void SetEnabled(const std::string& control, bool enabled) override;
  bool Enabled(const std::string& control) const override;
  void SetChecked(const std::string& control, bool checked) override;
  bool Checked(const std::string& control) const override;
  void SetBounds(const std::string& control, const Bounds& bounds) override;
  Bounds GetBounds(const std::string& control) const override;
  void SetDefaultButton(const std::string& control) override;
  void SetCurrentPage(int page) override;
  int CurrentPage() const override;
  int SetProgress(const std::string& control, int position) override;
  int Progress(const std::string& control) const override;
  int SetProgressPerFrame(const std::string& control, int position) override;
  void AddListRow(const std::string& control, const std::string& text) override;
  std::vector<std::string> ListRows(const std::string& control) const override;
  void ShowTree(const std::string& control, const TreeModel& tree) override;
  void SetTreeCheck(const std::string& control, int index, bool checked) override;
  bool TreeCheck(const std::string& control, int index) const override;
  bool CloneControl(const std::string& templateControl, const std::string& name) override;
  bool CloneControlInto(const std::string& templateControl, const std::string& name,
                        const CloneTarget& target) override;
  bool AddControl(const ControlDesc& control) override;
  int AddPage() override;
  int PageCount() const override;
  void SetFont(const std::string& control, const FontSpec& font) override;
  FontSpec Font(const std::string& control) const override;
  void SetTextColour(const std::string& control, Rgb colour) override;
  void SetBackColour(const std::string& control, Rgb colour) override;
  Rgb TextColour(const std::string& control) const override;
  Rgb BackColour(const std::string& control) const override;
  Rgb ButtonFaceColour() const override;
  bool SetPicture(const std::string& control, BytesView bytes) override;
  Bytes Picture(const std::string& control) const override;
  void SetPictureFit(const std::string& control, PictureFit fit) override;
  PictureFit GetPictureFit(const std::string& control) const override;
  void SelectTreeItem(const std::string& control, int index) override;
  void MirrorProgressOnTaskbar(const std::string& progressControl) override;
  std::string MirroredProgress() const override { return mirrored_; }
  void SetDragAnywhere(bool on) override { dragAnywhere_ = on; }
  bool DragAnywhere() const override { return dragAnywhere_; }
  bool SetWindowIcon(BytesView icoFile) override;
  Bytes WindowIcon() const override { return iconFile_; }
  void SetTag(const std::string& control, const std::string& tag) override;
  std::string Tag(const std::string& control) const override;
  void SetTimerInterval(const std::string& control, int milliseconds) override;
  int TimerInterval(const std::string& control) const override;
  intptr_t Handle(const std::string& control) const override;
  void SetHandler(FormEventHandler handler) override;
  void PumpEvents() override;
  void PumpEventsPerFrame() override;
  void SetTextPerFrame(const std::string& control, const std::string& text) override;

  // Dispatches the thread's messages until WM_QUIT and returns its exit code. Destroying the
  // window (Close, or an allowed close request) while this loop runs posts WM_QUIT(0).
  int RunMessageLoop();
  // Destroys the window at once, without asking the handler (kMayClose is for the user's
  // close requests: the close box, Alt+F4, WM_CLOSE).
  void Close() override;
  // The name of the control whose native window is `handle`; "" for the window or a stranger.
  std::string NameOf(intptr_t handle) const;

  // The window procedures' entry; public only so that they can reach it.
  intptr_t OnMessage(intptr_t hwnd, unsigned message, uintptr_t wParam, intptr_t lParam,
                     bool& handled);

 private:
  struct Control {
    std::string name;
    ControlKind kind = ControlKind::kLabel;
    std::string parent;
    int id = 0;
    intptr_t hwnd = 0;
    int page = -1;
    bool visible = true;
    bool enabled = true;
    bool checked = false;
    std::string text;  // kept for the controls without a window (timers) and without a display
    Bounds bounds;
    int interval = 0;
    int progress = 0;
    bool timerBusy = false;
    std::vector<intptr_t> treeItems;  // tree item handles by component index
    std::vector<bool> treeChecks;     // the ticks last seen, to report only real changes
    std::vector<std::string> rows;    // list rows (the owner-data list draws from them) and
                                      // tree texts without a display
    bool textPending = false;         // a label's text not yet given to its window
    bool rowsPending = false;         // rows the list's item count does not show yet
    bool progressPending = false;     // a bar's position not yet given to its window
    FontSpec font;
    intptr_t hfont = 0;  // what the window got through WM_SETFONT (hosts answer WM_GETFONT)
    Rgb textColour = kSystemColour;
    Rgb backColour = kSystemColour;
    Bytes pictureBytes;
    GdiPicture picture;
    PictureFit fit = PictureFit::kNatural;
    std::string tag;
  };
  struct GdiResources;

  Control* Find(const std::string& name);
  const Control* Find(const std::string& name) const;
  Control* FindById(int id);
  Control* FindByHandle(intptr_t hwnd);
  bool CreateControlWindow(Control& control);
  // A copy of `model` as CloneControl describes it, registered under `name`; its window is
  // made by Realize().
  Control& AddCopy(const Control& model, const std::string& name, const std::string& parent,
                   int page);
  Control& AddFromDesc(const ControlDesc& desc);
  // Creates the window of a control added after the build and gives it its look.
  void Realize(Control& control);
  void ApplyFont(Control& control);
  void ApplyColours(const Control& control);
  bool Inside(const std::string& control, const std::string& ancestor) const;
  // Whether controls may be put into `parent`: the window or a host.
  bool CanHold(const std::string& parent) const;
  intptr_t OnControlColour(unsigned message, intptr_t dc, intptr_t child, bool& handled);
  void LowerHosts(intptr_t parent);
  void ApplyVisibility(const Control& control);
  bool OnScreen(const Control& control) const;
  // Calls the handler with a copy of it, so the handler may replace itself. Returns false
  // when the form was destroyed during the call; `result` gets the handler's answer.
  bool Fire(const std::string& control, FormEvent event, const FormEventArgs& args,
            intptr_t* result = nullptr);
  void ScanTreeTicks(const std::string& control);
  void OnTimer(uintptr_t id);
  void OnDestroyed();
  bool Dispatch(void* msg);
  // A label's text, a list's rows or a bar's position changed: shown now when the last frame
  // is a frame's time old, else with the next frame; while the window is hidden, when it is
  // shown or at the next PumpEvents.
  void FrameChanged();
  // Gives the windows every change kept back since the last frame.
  void ShowFrame();
  // A frame of a report list: its count, the last row selected and in view.
  void ShowListRows(Control& c);
  void PumpQueue();

  // About one screen refresh: the archiver may report files far faster than that, and
  // showing each one costs more than the file itself.
  static constexpr uint32_t kFrameMilliseconds = 16;
  // Frames at most 1/16 of the time: a frame under Wine on a busy machine costs tens of
  // milliseconds whatever it changes (each step waits for the window and X servers), so the
  // share, not the frame's content, decides what showing the work adds to it.
  static constexpr uint32_t kFrameCostShare = 16;
  // Looking at the queue is a round trip to the window server (and the X server) under Wine,
  // several milliseconds on a busy machine even with nothing queued: pumps come at most once a
  // frame and take at most 1/32 of the time (still several a second for Cancel).
  static constexpr uint32_t kPumpCostShare = 32;
  static constexpr uintptr_t kFrameTimerId = 1;  // control ids, which name the timers, start at 1000
  static constexpr uintptr_t kTaskbarTimerId = 2;
  // A COM call per tick rather than per progress report: the archiver reports far more often.
  static constexpr uint32_t kTaskbarMilliseconds = 80;

  Win32FormStyle style_;
  intptr_t window_ = 0;
  std::unique_ptr<GdiResources> gdi_;  // fonts, brushes and icons; outlive the windows
  intptr_t font_ = 0;                  // the standard font
  std::string windowText_;
  std::string windowTag_;
  Rgb windowTextColour_ = kSystemColour;
  Rgb windowBackColour_ = kSystemColour;
  Bytes iconFile_;
  int pageCount_ = 0;
  bool windowVisible_ = false;
  bool windowEnabled_ = true;
  Bounds windowBounds_;
  std::map<std::string, std::unique_ptr<Control>> controls_;
  std::vector<std::string> order_;
  std::string pageContainer_;
  int currentPage_ = 0;
  std::string defaultButton_;
  int nextId_ = 1000;
  bool ready_ = false;      // events flow once the build is complete
  bool dragAnywhere_ = false;
  int quietTree_ = 0;       // > 0 while the program itself fills or ticks a tree
  int loopDepth_ = 0;       // RunMessageLoop calls in progress
  uint32_t frameShownAt_ = 0;  // GetTickCount of the last frame shown
  uint32_t pumpedAt_ = 0;      // and of the last PumpEvents
  bool frameTimer_ = false;    // the frame timer runs for changes kept back
  bool framePending_ = false;  // changes kept back for the next frame
  uint32_t frameGap_ = kFrameMilliseconds;  // the least time between two frames
  uint32_t pumpGap_ = kFrameMilliseconds;   // the least time between two per-frame pumps
  std::string mirrored_;        // the progress bar the taskbar button shows ("" none)
  FormEventHandler handler_;
  std::shared_ptr<int> life_ = std::make_shared<int>(0);  // expires with the form
};
