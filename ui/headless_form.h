// A Form without windows: it keeps every control's state in memory, so the wizard's logic runs
// in native tests and in tools. Tests play the user through Fire().
#pragma once

#include <map>

#include "ui/form.h"

class HeadlessForm : public Form {
 public:
  explicit HeadlessForm(const WindowDesc& desc);

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
  // The classic grey of Windows' default scheme.
  Rgb ButtonFaceColour() const override { return 0xF0F0F0; }
  bool SetPicture(const std::string& control, BytesView bytes) override;
  Bytes Picture(const std::string& control) const override;
  void SetPictureFit(const std::string& control, PictureFit fit) override;
  PictureFit GetPictureFit(const std::string& control) const override;
  void SelectTreeItem(const std::string& control, int index) override;
  void MirrorProgressOnTaskbar(const std::string& progressControl) override {
    mirrored_ = progressControl;
  }
  std::string MirroredProgress() const override { return mirrored_; }
  void SetDragAnywhere(bool on) override { dragAnywhere_ = on; }
  bool DragAnywhere() const override { return dragAnywhere_; }
  // The tree item last selected (by the program or Fire), -1 for none.
  int SelectedTreeItem(const std::string& control) const;
  bool SetWindowIcon(BytesView icoFile) override;
  Bytes WindowIcon() const override { return icon_; }
  void SetTag(const std::string& control, const std::string& tag) override;
  std::string Tag(const std::string& control) const override;
  void SetTimerInterval(const std::string& control, int milliseconds) override;
  int TimerInterval(const std::string& control) const override;
  intptr_t Handle(const std::string& control) const override { (void)control; return 0; }
  void SetHandler(FormEventHandler handler) override { handler_ = std::move(handler); }
  void PumpEvents() override;
  void Close() override {
    closed_ = true;
    window_.visible = false;
  }
  bool Closed() const { return closed_; }

  // Plays a user action: check boxes toggle before kClick; returns the handler's answer
  // (without a handler: 1 for kMayClose, else 0). A plug-in's feedback to a label is
  // Fire(label, FormEvent::kFeedback, {code, 0, value}).
  intptr_t Fire(const std::string& control, FormEvent event, const FormEventArgs& args = {});
  // Runs one tick of every timer whose interval is not 0 (what a pump would deliver).
  void TickTimers();
  const std::string& DefaultButton() const { return defaultButton_; }
  // Names of the controls in creation order, clones included.
  std::vector<std::string> ControlNames() const;
  ControlKind KindOf(const std::string& control) const;
  // The parent a control was built or cloned into; the page it is the body of (-1: none).
  std::string ParentOf(const std::string& control) const;
  int PageOf(const std::string& control) const;
  // Called on every PumpEvents (tests use it to press Cancel in the middle of an install).
  std::function<void()> onPump;

 private:
  struct State {
    ControlKind kind = ControlKind::kLabel;
    std::string parent;
    std::string text;
    bool visible = true;
    bool enabled = true;
    bool checked = false;
    Bounds bounds;
    int progress = 0;
    int interval = 0;
    std::vector<std::string> rows;
    std::vector<bool> treeChecks;
    int page = -1;
    FontSpec font;
    Rgb textColour = kSystemColour;
    Rgb backColour = kSystemColour;
    Bytes picture;
    PictureFit fit = PictureFit::kNatural;
    int selected = -1;
    std::string tag;
  };
  State* Find(const std::string& control);
  const State* Find(const std::string& control) const;
  // What a clone takes over from its template (see Form::CloneControl).
  static State CopyOf(const State& model);
  bool Inside(const std::string& control, const std::string& ancestor) const;
  bool CanHold(const std::string& parent) const;  // the window or a host

  std::map<std::string, State> controls_;
  std::vector<std::string> order_;
  State window_;
  bool closed_ = false;
  int currentPage_ = 0;
  int lastPage_ = -1;
  std::string pageContainer_;
  std::string defaultButton_;
  Bytes icon_;
  std::string mirrored_;
  bool dragAnywhere_ = false;
  FormEventHandler handler_;
};
