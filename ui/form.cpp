#include "ui/form.h"

#include "common/text.h"

void Form::SetTagNumber(const std::string& control, int64_t number) {
  SetTag(control, text::FromInt(number));
}

int64_t Form::TagNumber(const std::string& control) const { return text::ToInt64(Tag(control)); }
