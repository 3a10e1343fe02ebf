// The portable window layer. A window is a table of controls (window_desc.h); a `Form` shows
// one such table and addresses its controls by their Chinese names. Two implementations
// exist: the Win32 one builds real windows, the headless one records state so that the page
// flow, the install checks and the tree rules run in native tests. The empty name "" stands
// for the window itself (its caption, visibility, handle).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "ui/window_desc.h"

enum class FormEvent {
  kClick,             // button or check box clicked (check boxes toggle first)
  kTimer,             // a timer control's tick
  kPageChanged,       // the page container's current page changed
  kTickChanged,       // tree item `index` ticked (`state` 1) or unticked (0) by the user
  kSelectionChanged,  // tree item `index` selected
  kTreeMouseMove,     // mouse over the tree
  kPageMouseMove,     // mouse over a page outside the tree
  kMayClose,          // the window is asked to close; the handler's result allows it
  kMoved,             // moved, minimised or restored; `state` = 0 normal, 2 minimised, 3 zoomed
  kFeedback,          // a label's feedback: `index` = the sender's code, `value` = its value;
                      // the handler's result goes back to the sender
};

struct FormEventArgs {
  int index = 0;
  int state = 0;
  intptr_t value = 0;  // kFeedback: a number or an address, whole on 64-bit builds too
};

// The handler's result: for kMayClose non-zero allows the close (a handler returning bool
// keeps its meaning), for kFeedback it is the answer the sender gets; other events ignore it.
// Without a handler kMayClose is allowed and kFeedback answers 0. The result is as wide as a
// pointer, so an answer that is an address survives on 64-bit builds.
using FormEventHandler = std::function<intptr_t(const std::string& control, FormEvent event,
                                                const FormEventArgs& args)>;

// The window message that raises a label's kFeedback event (WM_APP + 0x100). Whoever holds the
// label's window (plug-ins find it by its caption) sends it with wParam = code and lParam =
// value; SendMessage returns the handler's result. Only label controls answer it; elsewhere,
// and while the form is being built or torn down, it returns 0.
inline constexpr unsigned kFeedbackMessage = 0x8000 + 0x100;

// A colour laid out as a Win32 COLORREF, 0x00BBGGRR.
using Rgb = uint32_t;
// "Not set": the control shows the colour the system gives its kind.
inline constexpr Rgb kSystemColour = 0xFFFFFFFF;

// A control's font. `face` "" stands for the form's standard face (the one every control
// starts with); `points` below 1 for the standard size, 9 points.
struct FontSpec {
  std::string face;
  int points = 9;
  bool bold = false;

  bool operator==(const FontSpec& other) const {
    return face == other.face && points == other.points && bold == other.bold;
  }
};

// How a picture control places its image: at its natural size from the top-left corner,
// stretched over the whole control, or fitted inside it keeping its aspect ratio and centred
// (never enlarged).
enum class PictureFit { kNatural, kStretch, kFit };

// Where CloneControlInto puts the copy.
struct CloneTarget {
  std::string parent;       // "" = the window; else a panel, group box or the page container
  int page = -1;            // >= 0: the copy is the body of that page (see AddPage)
  std::string childSuffix;  // the template's descendants are copied as their name + this
  bool withChildren = true; // false: the template alone, like CloneControl (no suffix needed)
};

struct Bounds {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

// What a tree view shows: items in display order, each after its parent.
struct TreeNode {
  std::string text;
  int parent = -1;  // index of an earlier node, -1 for a top-level one
  bool checked = false;
  bool expanded = false;
};

struct TreeModel {
  std::vector<TreeNode> nodes;
  int selected = -1;
};

class Form {
 public:
  virtual ~Form() = default;

  // Whether the window description has (or a clone created) this control.
  virtual bool Has(const std::string& control) const = 0;

  // Caption or content text ("" = the window's caption). Edit boxes, labels, buttons, check
  // boxes; the page container's text is its window title.
  virtual void SetText(const std::string& control, const std::string& text) = 0;
  virtual std::string Text(const std::string& control) const = 0;
  // SetText for a label that may change far more often than the screen refreshes (a status
  // line per installed file): Text() has the new text at once, the window gets it with the
  // next frame (about 16 ms) or PumpEvents. Other controls, and forms without a screen, take
  // it as SetText does.
  virtual void SetTextPerFrame(const std::string& control, const std::string& text) {
    SetText(control, text);
  }

  // Visibility of a control as the program set it ("" = the window itself). A control on a
  // page that is not current keeps its own flag; only the page switch hides it on screen.
  virtual void SetVisible(const std::string& control, bool visible) = 0;
  virtual bool Visible(const std::string& control) const = 0;
  virtual void SetEnabled(const std::string& control, bool enabled) = 0;
  virtual bool Enabled(const std::string& control) const = 0;

  // Check boxes. Setting does not fire kClick.
  virtual void SetChecked(const std::string& control, bool checked) = 0;
  virtual bool Checked(const std::string& control) const = 0;

  // Moves and resizes a control within its parent, or the window ("") on the screen.
  virtual void SetBounds(const std::string& control, const Bounds& bounds) = 0;
  virtual Bounds GetBounds(const std::string& control) const = 0;

  // The button that Enter presses.
  virtual void SetDefaultButton(const std::string& control) = 0;

  // The page container: the pages of the description's bodies, then those of AddPage. Setting
  // a different page fires kPageChanged (setting the same page fires it too: the wizard uses
  // that as a refresh); a page that does not exist is ignored.
  virtual void SetCurrentPage(int page) = 0;
  virtual int CurrentPage() const = 0;

  // Progress bars, 0..100. Returns the position read back.
  virtual int SetProgress(const std::string& control, int position) = 0;
  virtual int Progress(const std::string& control) const = 0;
  // SetProgress for a bar moved once per installed or removed file: Progress() has the new
  // position at once (returned, clamped to 0..100), the window gets it with the next frame or
  // PumpEvents. Forms without a screen take it as SetProgress does.
  virtual int SetProgressPerFrame(const std::string& control, int position) {
    return SetProgress(control, position);
  }

  // Report lists: a row appended at the end, made current and scrolled into view. ListRows has
  // it at once; on a screen the list shows it with the next frame (rows added faster than
  // the screen refreshes are drawn together, about every 16 ms) or at the next PumpEvents.
  virtual void AddListRow(const std::string& control, const std::string& text) = 0;
  virtual std::vector<std::string> ListRows(const std::string& control) const = 0;

  // Tree views with check boxes: the whole tree shown anew from the model, or one tick.
  virtual void ShowTree(const std::string& control, const TreeModel& tree) = 0;
  virtual void SetTreeCheck(const std::string& control, int index, bool checked) = 0;
  virtual bool TreeCheck(const std::string& control, int index) const = 0;

  // A new control `name` made like `templateControl`, in the same parent: kind, bounds, current
  // text, visibility, enabled state, font, colours, picture and tag are copied; check state,
  // progress, rows, tree items and timer interval start empty. Children are not copied. False
  // when the template is missing or the name is empty or taken.
  virtual bool CloneControl(const std::string& templateControl, const std::string& name) = 0;

  // Like CloneControl, but the copy goes into `target.parent` (at the template's left and top,
  // now within the new parent) and, unless `target.withChildren` is false, the template's whole
  // subtree: every descendant D is copied as D + `target.childSuffix` into the copy of its own
  // parent, in creation order, each at its place within that parent. With
  // `target.page` >= 0 the copy becomes the body of that page. False, and nothing is created,
  // when the template is missing, the parent is missing or no host (panel, group box, page
  // container; "" is the window), the parent is the template or lies inside it,
  // the page does not exist or the parent is not the page container, or any new name is empty
  // or taken (an empty suffix with children always is).
  virtual bool CloneControlInto(const std::string& templateControl, const std::string& name,
                                const CloneTarget& target) = 0;

  // A new control made from a description (its parent must be the window or a host; `page`
  // >= 0 makes it the body of that page, as a child of the page container). False when the
  // name is empty or taken, the parent is missing or no host, or the page is given and does not
  // exist or the parent is not the page container.
  virtual bool AddControl(const ControlDesc& control) = 0;

  // A new empty page after the last one of the page container; returns its index, which
  // SetCurrentPage then accepts (-1 without a page container). The page shows whatever body
  // the program clones or adds into it afterwards.
  virtual int AddPage() = 0;
  // Pages of the page container, those of the description and the added ones.
  virtual int PageCount() const = 0;

  // The font of a control ("" = the window: ignored). Identical fonts are shared. A control
  // never given one reports the standard font, {"", 9, false}.
  virtual void SetFont(const std::string& control, const FontSpec& font) = 0;
  virtual FontSpec Font(const std::string& control) const = 0;

  // Text and background colour of one control; kSystemColour puts the system's back. Labels,
  // edit boxes, check boxes, panels, group boxes, pictures (behind the picture), trees, lists
  // and progress bars show them; push buttons keep the system's look.
  virtual void SetTextColour(const std::string& control, Rgb colour) = 0;
  virtual void SetBackColour(const std::string& control, Rgb colour) = 0;
  virtual Rgb TextColour(const std::string& control) const = 0;
  virtual Rgb BackColour(const std::string& control) const = 0;
  // The system's button-face colour (what "the window's grey" is on this system).
  virtual Rgb ButtonFaceColour() const = 0;

  // A picture control shows the image in `bytes` (JPEG, BMP, GIF, PNG; told apart by content,
  // not by name) at its natural size from the top-left corner, over the control's background
  // colour, transparency honoured. Empty bytes clear it. False when the bytes are no picture
  // of those kinds (the control then shows none); Picture() still gives the bytes last set.
  virtual bool SetPicture(const std::string& control, BytesView bytes) = 0;
  virtual Bytes Picture(const std::string& control) const = 0;
  // How the picture is placed (kNatural until set); kept for the next picture too.
  virtual void SetPictureFit(const std::string& control, PictureFit fit) = 0;
  virtual PictureFit GetPictureFit(const std::string& control) const = 0;

  // While `progressControl` is set, the window's taskbar button shows that progress bar's
  // position, refreshed every 80 ms; "" ends it (the button shows 100 % once, then no
  // progress). Forms without a taskbar only remember the name.
  virtual void MirrorProgressOnTaskbar(const std::string& progressControl) = 0;
  virtual std::string MirroredProgress() const = 0;

  // While set, a press on the window's background, a panel, a picture, a label or the page
  // container drags the window as its title bar would. Forms without a screen only remember it.
  virtual void SetDragAnywhere(bool on) = 0;
  virtual bool DragAnywhere() const = 0;

  // Selects tree item `index` as the user would (kSelectionChanged follows when the selection
  // changes); -1 or an index out of range changes nothing.
  virtual void SelectTreeItem(const std::string& control, int index) = 0;

  // The window's icon from the bytes of an .ico file (the large and the small size are picked
  // from its images). Empty bytes remove it. False when the bytes are no icon file.
  virtual bool SetWindowIcon(BytesView icoFile) = 0;
  virtual Bytes WindowIcon() const = 0;

  // A text the program keeps on a control ("" = the window) and reads back; the form itself
  // never looks at it. Empty for a control never tagged or missing.
  virtual void SetTag(const std::string& control, const std::string& tag) = 0;
  virtual std::string Tag(const std::string& control) const = 0;
  // A number kept as its decimal text; a tag that is not a number reads as 0.
  void SetTagNumber(const std::string& control, int64_t number);
  int64_t TagNumber(const std::string& control) const;

  // Timers: 0 stops, any other interval (ms) starts or restarts.
  virtual void SetTimerInterval(const std::string& control, int milliseconds) = 0;
  virtual int TimerInterval(const std::string& control) const = 0;

  // Native window handle of a control ("" = the window); 0 when headless.
  virtual intptr_t Handle(const std::string& control) const = 0;

  // Where the events of this window go.
  virtual void SetHandler(FormEventHandler handler) = 0;

  // Processes pending window events (repaint, Cancel) during long work.
  virtual void PumpEvents() = 0;
  // The same at most once a screen frame (about 16 ms): for work that reports far more often
  // than that, such as one call per installed file. Forms without a screen pump every time.
  virtual void PumpEventsPerFrame() { PumpEvents(); }

  // Destroys the window without asking the handler; a message loop that runs for it returns.
  // The controls' last state stays readable. How a run ends once its outcome is known.
  virtual void Close() = 0;
};
