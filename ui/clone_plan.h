// Which controls a subtree copy makes, and under which names: shared by both forms, so that
// the naming rule of CloneTarget is written once.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "ui/form.h"

// (from, to) pairs in creation order (`order`), the template first, so every parent is copied
// before its children. A descendant D of the template becomes D + target.childSuffix. Empty
// when a new name would be empty or taken (`taken`), or equal to `name`.
std::vector<std::pair<std::string, std::string>> PlanSubtreeCopy(
    const std::vector<std::string>& order, const std::string& templateControl,
    const std::string& name, const CloneTarget& target,
    const std::function<bool(const std::string& control, const std::string& ancestor)>& inside,
    const std::function<bool(const std::string& name)>& taken);
