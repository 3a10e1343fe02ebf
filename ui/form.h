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
};

struct FormEventArgs {
  int index = 0;
  int state = 0;
};

// Returns true to allow what the event asks (only kMayClose looks at it).
using FormEventHandler =
    std::function<bool(const std::string& control, FormEvent event, const FormEventArgs& args)>;

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

  // Visibility of a control as the program set it ("" = the window itself). A control on a
  // page that is not current keeps its own flag; only the page switch hides it on screen.
  virtual void SetVisible(const std::string& control, bool visible) = 0;
  virtual bool Visible(const std::string& control) const = 0;
  virtual void SetEnabled(const std::string& control, bool enabled) = 0;
  virtual bool Enabled(const std::string& control) const = 0;

  // Check boxes. Setting does not fire kClick.
  virtual void SetChecked(const std::string& control, bool checked) = 0;
  virtual bool Checked(const std::string& control) const = 0;

  virtual void SetBounds(const std::string& control, const Bounds& bounds) = 0;
  virtual Bounds GetBounds(const std::string& control) const = 0;

  // The button that Enter presses.
  virtual void SetDefaultButton(const std::string& control) = 0;

  // The page container (`选择夹1`): pages 0..5. Setting a different page fires kPageChanged
  // (setting the same page fires it too: the wizard uses that as a refresh).
  virtual void SetCurrentPage(int page) = 0;
  virtual int CurrentPage() const = 0;

  // Progress bars, 0..100. Returns the position read back.
  virtual int SetProgress(const std::string& control, int position) = 0;
  virtual int Progress(const std::string& control) const = 0;

  // Report lists: a row appended at the end, made current and scrolled into view.
  virtual void AddListRow(const std::string& control, const std::string& text) = 0;
  virtual std::vector<std::string> ListRows(const std::string& control) const = 0;

  // Tree views with check boxes: the whole tree shown anew from the model, or one tick.
  virtual void ShowTree(const std::string& control, const TreeModel& tree) = 0;
  virtual void SetTreeCheck(const std::string& control, int index, bool checked) = 0;
  virtual bool TreeCheck(const std::string& control, int index) const = 0;

  // A new control `name` made like `templateControl` (same parent, kind, bounds, caption,
  // visibility). False when the template is missing or the name is taken.
  virtual bool CloneControl(const std::string& templateControl, const std::string& name) = 0;

  // Timers: 0 stops, any other interval (ms) starts or restarts.
  virtual void SetTimerInterval(const std::string& control, int milliseconds) = 0;
  virtual int TimerInterval(const std::string& control) const = 0;

  // Native window handle of a control ("" = the window); 0 when headless.
  virtual intptr_t Handle(const std::string& control) const = 0;

  // Where the events of this window go.
  virtual void SetHandler(FormEventHandler handler) = 0;

  // Processes pending window events (repaint, Cancel) during long work.
  virtual void PumpEvents() = 0;

  // Destroys the window without asking the handler; a message loop that runs for it returns.
  // The controls' last state stays readable. How a run ends once its outcome is known.
  virtual void Close() = 0;
};
