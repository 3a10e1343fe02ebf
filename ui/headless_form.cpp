#include "ui/headless_form.h"

#include "ui/clone_plan.h"

#include <algorithm>

#include "ui/image_bytes.h"

HeadlessForm::HeadlessForm(const WindowDesc& desc) {
  window_.text = desc.caption;
  window_.bounds = {0, 0, desc.width, desc.height};
  window_.visible = false;  // windows are created hidden; start-up decides
  for (const ControlDesc& c : desc.controls) {
    State s;
    s.kind = c.kind;
    s.parent = c.parent;
    s.text = c.caption;
    s.visible = c.visible;
    s.bounds = {c.left, c.top, c.width, c.height};
    s.page = c.page;
    controls_[c.name] = s;
    order_.push_back(c.name);
    if (c.kind == ControlKind::kPageContainer && pageContainer_.empty()) pageContainer_ = c.name;
    lastPage_ = std::max(lastPage_, c.page);
  }
}

HeadlessForm::State* HeadlessForm::Find(const std::string& control) {
  if (control.empty()) return &window_;
  auto it = controls_.find(control);
  return it == controls_.end() ? nullptr : &it->second;
}

const HeadlessForm::State* HeadlessForm::Find(const std::string& control) const {
  if (control.empty()) return &window_;
  auto it = controls_.find(control);
  return it == controls_.end() ? nullptr : &it->second;
}

bool HeadlessForm::Has(const std::string& control) const { return Find(control) != nullptr; }

void HeadlessForm::SetText(const std::string& control, const std::string& text) {
  if (State* s = Find(control)) s->text = text;
}

std::string HeadlessForm::Text(const std::string& control) const {
  const State* s = Find(control);
  return s ? s->text : std::string();
}

void HeadlessForm::SetVisible(const std::string& control, bool visible) {
  if (State* s = Find(control)) s->visible = visible;
}

bool HeadlessForm::Visible(const std::string& control) const {
  const State* s = Find(control);
  return s && s->visible;
}

void HeadlessForm::SetEnabled(const std::string& control, bool enabled) {
  if (State* s = Find(control)) s->enabled = enabled;
}

bool HeadlessForm::Enabled(const std::string& control) const {
  const State* s = Find(control);
  return s && s->enabled;
}

void HeadlessForm::SetChecked(const std::string& control, bool checked) {
  if (State* s = Find(control)) s->checked = checked;
}

bool HeadlessForm::Checked(const std::string& control) const {
  const State* s = Find(control);
  return s && s->checked;
}

void HeadlessForm::SetBounds(const std::string& control, const Bounds& bounds) {
  if (State* s = Find(control)) s->bounds = bounds;
}

Bounds HeadlessForm::GetBounds(const std::string& control) const {
  const State* s = Find(control);
  return s ? s->bounds : Bounds{};
}

void HeadlessForm::SetDefaultButton(const std::string& control) { defaultButton_ = control; }

void HeadlessForm::SetCurrentPage(int page) {
  if (page < 0 || page > lastPage_) return;
  currentPage_ = page;
  if (handler_) handler_(pageContainer_, FormEvent::kPageChanged, {page, 0});
}

int HeadlessForm::CurrentPage() const { return currentPage_; }

int HeadlessForm::SetProgress(const std::string& control, int position) {
  State* s = Find(control);
  if (!s) return 0;
  s->progress = std::clamp(position, 0, 100);
  return s->progress;
}

int HeadlessForm::Progress(const std::string& control) const {
  const State* s = Find(control);
  return s ? s->progress : 0;
}

void HeadlessForm::AddListRow(const std::string& control, const std::string& text) {
  if (State* s = Find(control)) s->rows.push_back(text);
}

std::vector<std::string> HeadlessForm::ListRows(const std::string& control) const {
  const State* s = Find(control);
  return s ? s->rows : std::vector<std::string>();
}

void HeadlessForm::ShowTree(const std::string& control, const TreeModel& tree) {
  State* s = Find(control);
  if (!s) return;
  s->treeChecks.clear();
  s->selected = -1;
  s->rows.clear();
  for (const TreeNode& node : tree.nodes) {
    s->treeChecks.push_back(node.checked);
    s->rows.push_back(node.text);
  }
}

void HeadlessForm::SetTreeCheck(const std::string& control, int index, bool checked) {
  State* s = Find(control);
  if (s && index >= 0 && index < int(s->treeChecks.size())) s->treeChecks[index] = checked;
}

bool HeadlessForm::TreeCheck(const std::string& control, int index) const {
  const State* s = Find(control);
  return s && index >= 0 && index < int(s->treeChecks.size()) && s->treeChecks[index];
}

HeadlessForm::State HeadlessForm::CopyOf(const State& model) {
  State copy;
  copy.kind = model.kind;
  copy.parent = model.parent;
  copy.text = model.text;
  copy.visible = model.visible;
  copy.enabled = model.enabled;
  copy.bounds = model.bounds;
  copy.page = model.page;
  copy.font = model.font;
  copy.textColour = model.textColour;
  copy.backColour = model.backColour;
  copy.picture = model.picture;
  copy.fit = model.fit;
  copy.tag = model.tag;
  return copy;
}

bool HeadlessForm::Inside(const std::string& control, const std::string& ancestor) const {
  for (const State* s = control.empty() ? nullptr : Find(control); s;
       s = s->parent.empty() ? nullptr : Find(s->parent))
    if (s == Find(ancestor)) return true;
  return false;
}

bool HeadlessForm::CanHold(const std::string& parent) const {
  if (parent.empty()) return true;
  const State* p = Find(parent);
  return p && (p->kind == ControlKind::kPanel || p->kind == ControlKind::kGroupBox ||
               p->kind == ControlKind::kPageContainer);
}

bool HeadlessForm::CloneControl(const std::string& templateControl, const std::string& name) {
  const State* t = templateControl.empty() ? nullptr : Find(templateControl);
  if (!t || name.empty() || Has(name)) return false;
  State copy = CopyOf(*t);
  controls_[name] = copy;
  order_.push_back(name);
  return true;
}

bool HeadlessForm::CloneControlInto(const std::string& templateControl, const std::string& name,
                                    const CloneTarget& target) {
  const State* t = templateControl.empty() ? nullptr : Find(templateControl);
  if (!t || name.empty() || Has(name) || !CanHold(target.parent)) return false;
  if (Inside(target.parent, templateControl)) return false;
  if (target.page >= 0 && (target.page >= PageCount() || target.parent != pageContainer_))
    return false;
  const auto copies = PlanSubtreeCopy(
      order_, templateControl, name, target,
      [this](const std::string& c, const std::string& a) { return Inside(c, a); },
      [this](const std::string& n) { return Has(n); });
  if (copies.empty()) return false;
  for (const auto& [from, to] : copies) {
    State copy = CopyOf(controls_[from]);
    if (from == templateControl) {
      copy.parent = target.parent;
      copy.page = target.page;
    } else {
      for (const auto& [oldName, newName] : copies)
        if (oldName == copy.parent) copy.parent = newName;
    }
    controls_[to] = copy;
    order_.push_back(to);
  }
  return true;
}

bool HeadlessForm::AddControl(const ControlDesc& c) {
  if (c.name.empty() || Has(c.name) || !CanHold(c.parent)) return false;
  if (c.page >= 0 && (c.page >= PageCount() || c.parent != pageContainer_)) return false;
  State s;
  s.kind = c.kind;
  s.parent = c.parent;
  s.text = c.caption;
  s.visible = c.visible;
  s.bounds = {c.left, c.top, c.width, c.height};
  s.page = c.page;
  controls_[c.name] = s;
  order_.push_back(c.name);
  return true;
}

int HeadlessForm::AddPage() {
  if (pageContainer_.empty()) return -1;
  return ++lastPage_;
}

int HeadlessForm::PageCount() const { return pageContainer_.empty() ? 0 : lastPage_ + 1; }

void HeadlessForm::SetFont(const std::string& control, const FontSpec& font) {
  if (control.empty()) return;
  if (State* s = Find(control)) s->font = font;
}

FontSpec HeadlessForm::Font(const std::string& control) const {
  const State* s = control.empty() ? nullptr : Find(control);
  return s ? s->font : FontSpec{};
}

void HeadlessForm::SetTextColour(const std::string& control, Rgb colour) {
  if (State* s = Find(control)) s->textColour = colour;
}

void HeadlessForm::SetBackColour(const std::string& control, Rgb colour) {
  if (State* s = Find(control)) s->backColour = colour;
}

Rgb HeadlessForm::TextColour(const std::string& control) const {
  const State* s = Find(control);
  return s ? s->textColour : kSystemColour;
}

Rgb HeadlessForm::BackColour(const std::string& control) const {
  const State* s = Find(control);
  return s ? s->backColour : kSystemColour;
}

bool HeadlessForm::SetPicture(const std::string& control, BytesView bytes) {
  State* s = control.empty() ? nullptr : Find(control);
  if (!s || s->kind != ControlKind::kPicture) return false;
  s->picture = Bytes(bytes);
  return bytes.empty() || PictureKindOf(bytes) != PictureKind::kNone;
}

Bytes HeadlessForm::Picture(const std::string& control) const {
  const State* s = control.empty() ? nullptr : Find(control);
  return s ? s->picture : Bytes();
}

void HeadlessForm::SetPictureFit(const std::string& control, PictureFit fit) {
  State* s = control.empty() ? nullptr : Find(control);
  if (s && s->kind == ControlKind::kPicture) s->fit = fit;
}

PictureFit HeadlessForm::GetPictureFit(const std::string& control) const {
  const State* s = control.empty() ? nullptr : Find(control);
  return s ? s->fit : PictureFit::kNatural;
}

void HeadlessForm::SelectTreeItem(const std::string& control, int index) {
  State* s = control.empty() ? nullptr : Find(control);
  if (!s || s->kind != ControlKind::kTree || index < 0 || index >= int(s->treeChecks.size()) ||
      s->selected == index)
    return;
  s->selected = index;
  Fire(control, FormEvent::kSelectionChanged, {index, 0});
}

int HeadlessForm::SelectedTreeItem(const std::string& control) const {
  const State* s = Find(control);
  return s ? s->selected : -1;
}

bool HeadlessForm::SetWindowIcon(BytesView icoFile) {
  icon_ = Bytes(icoFile);
  return icoFile.empty() || !ReadIconDirectory(icoFile).empty();
}

void HeadlessForm::SetTag(const std::string& control, const std::string& tag) {
  if (State* s = Find(control)) s->tag = tag;
}

std::string HeadlessForm::Tag(const std::string& control) const {
  const State* s = Find(control);
  return s ? s->tag : std::string();
}

void HeadlessForm::SetTimerInterval(const std::string& control, int milliseconds) {
  if (State* s = Find(control)) s->interval = milliseconds;
}

int HeadlessForm::TimerInterval(const std::string& control) const {
  const State* s = Find(control);
  return s ? s->interval : 0;
}

void HeadlessForm::PumpEvents() {
  if (onPump) onPump();
}

intptr_t HeadlessForm::Fire(const std::string& control, FormEvent event,
                           const FormEventArgs& args) {
  State* s = Find(control);
  if (event == FormEvent::kClick && s && s->kind == ControlKind::kCheckBox) s->checked = !s->checked;
  if (event == FormEvent::kTickChanged && s && args.index >= 0 &&
      args.index < int(s->treeChecks.size()))
    s->treeChecks[args.index] = args.state == 1;
  if (handler_) return handler_(control, event, args);
  return event == FormEvent::kMayClose ? 1 : 0;
}

void HeadlessForm::TickTimers() {
  for (const std::string& name : order_) {
    const State& s = controls_[name];
    if (s.kind == ControlKind::kTimer && s.interval != 0) Fire(name, FormEvent::kTimer);
  }
}

std::vector<std::string> HeadlessForm::ControlNames() const { return order_; }

ControlKind HeadlessForm::KindOf(const std::string& control) const {
  const State* s = Find(control);
  return s ? s->kind : ControlKind::kLabel;
}

std::string HeadlessForm::ParentOf(const std::string& control) const {
  const State* s = control.empty() ? nullptr : Find(control);
  return s ? s->parent : std::string();
}

int HeadlessForm::PageOf(const std::string& control) const {
  const State* s = control.empty() ? nullptr : Find(control);
  return s ? s->page : -1;
}
