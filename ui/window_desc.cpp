#include "ui/window_desc.h"

const ControlDesc* WindowDesc::Find(const std::string& name) const {
  for (const ControlDesc& control : controls)
    if (control.name == name) return &control;
  return nullptr;
}
