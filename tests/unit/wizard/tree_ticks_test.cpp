// The component tree's default ticks and tick rules, with and without a plug-in's callback.
#include <gtest/gtest.h>

#include "tests/unit/wizard/wizard_session_fixture.h"
#include "wizard/component_view.h"
#include "wizard/host_query.h"
#include "wizard/tree_ticks.h"

namespace {

TEST(ComponentTicks, DefaultTicksOfTheBuiltInTree) {
  struct Case {
    std::array<std::string, 3> entries;
    std::array<int, 4> ticks;
  } cases[] = {
      {{"真", "真", "真"}, {1, 1, 1, 1}},
      {{"真", "假", "真"}, {0, 1, 0, 1}},
      {{"真", "真", ""}, {0, 1, 1, 0}},
      {{"", "", ""}, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    WizardRun r;
    r.session.wizard.defaultTicks = c.entries;
    ApplyDefaultTicks(r.session);
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(r.session.tree.items[i].checked, c.ticks[i]) << c.entries[0] << c.entries[1] << i;
      EXPECT_EQ(r.form.TreeCheck("树型框1", i), c.ticks[i] == 1) << i;
    }
  }
}

// A tree with a locked leaf: A { A1 { A1a (value 1) }, A2 }, B; everything ticked.
void UseNestedTree(WizardRun& r) {
  ComponentTree tree;
  tree.items = {{"A", -1, 1, 0, true},
                {"A1", 0, 1, 0, true},
                {"A1a", 1, 1, 1, false},
                {"A2", 0, 1, 0, false},
                {"B", -1, 1, 0, false}};
  r.session.tree = tree;
  ShowComponentTree(r.form, "树型框1", tree);
}

std::vector<int> Ticks(const WizardRun& r) {
  std::vector<int> ticks;
  for (size_t i = 0; i < r.session.tree.items.size(); ++i) {
    EXPECT_EQ(r.form.TreeCheck("树型框1", int(i)), r.session.tree.items[i].checked == 1) << i;
    ticks.push_back(r.session.tree.items[i].checked);
  }
  return ticks;
}

TEST(ComponentTicks, TheSubtreeFollowsExceptLockedItems) {
  struct Case {
    const char* what;
    int index, state;
    std::vector<int> ticks;
  } cases[] = {
      {"untick a root", 0, 0, {0, 0, 1, 0, 1}},
      {"untick an inner item", 1, 0, {1, 0, 1, 1, 1}},
      {"a locked item flips back", 2, 0, {1, 1, 1, 1, 1}},
      {"a last root", 4, 0, {1, 1, 1, 1, 0}},
  };
  for (const Case& c : cases) {
    WizardRun r;
    UseNestedTree(r);
    r.form.Fire("树型框1", FormEvent::kTickChanged, {c.index, c.state});
    EXPECT_EQ(Ticks(r), c.ticks) << c.what;
  }
  // Ticking again brings the subtree back.
  WizardRun r;
  UseNestedTree(r);
  r.form.Fire("树型框1", FormEvent::kTickChanged, {0, 0});
  r.form.Fire("树型框1", FormEvent::kTickChanged, {0, 1});
  EXPECT_EQ(Ticks(r), (std::vector<int>{1, 1, 1, 1, 1}));
}

int VetoTicks(int, int) { return 1; }
int lastTickIndex = -1, lastTickState = -1;
int WatchTicks(int index, int state) {
  lastTickIndex = index;
  lastTickState = state;
  return 0;
}

TEST(ComponentTicks, APluginTickCallbackMayStopTheSubtree) {
  WizardRun vetoing;
  UseNestedTree(vetoing);
  HostQuery(vetoing.session, 8888, 2, reinterpret_cast<intptr_t>(&VetoTicks));
  vetoing.form.Fire("树型框1", FormEvent::kTickChanged, {0, 0});
  EXPECT_EQ(Ticks(vetoing), (std::vector<int>{0, 1, 1, 1, 1}));

  WizardRun watching;
  UseNestedTree(watching);
  HostQuery(watching.session, 8888, 2, reinterpret_cast<intptr_t>(&WatchTicks));
  watching.form.Fire("树型框1", FormEvent::kTickChanged, {1, 0});
  EXPECT_EQ(lastTickIndex, 1);
  EXPECT_EQ(lastTickState, 0);
  EXPECT_EQ(Ticks(watching), (std::vector<int>{1, 0, 1, 1, 1}));
}

}  // namespace
