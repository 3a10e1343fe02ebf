#include "ui/clone_plan.h"

std::vector<std::pair<std::string, std::string>> PlanSubtreeCopy(
    const std::vector<std::string>& order, const std::string& templateControl,
    const std::string& name, const CloneTarget& target,
    const std::function<bool(const std::string& control, const std::string& ancestor)>& inside,
    const std::function<bool(const std::string& name)>& taken) {
  std::vector<std::pair<std::string, std::string>> copies = {{templateControl, name}};
  if (!target.withChildren) return copies;
  for (const std::string& control : order) {
    if (control == templateControl || !inside(control, templateControl)) continue;
    const std::string newName = control + target.childSuffix;
    if (target.childSuffix.empty() || taken(newName) || newName == name) return {};
    copies.push_back({control, newName});
  }
  return copies;
}
