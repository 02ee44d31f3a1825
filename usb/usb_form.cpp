#include "usb_form.h"

namespace harnlode::form {

std::string InstructionsText(std::string_view line_break) {
  std::string text;
  for (std::string_view line : kInstructionLines) {
    text += line;
    text += line_break;
  }
  return text;
}

}  // namespace harnlode::form
