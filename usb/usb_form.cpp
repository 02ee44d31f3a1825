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

bool EndsLine(std::string_view log_text) {
  return log_text.empty() || log_text.ends_with(kLogLineBreak);
}

std::string LogLineAppendix(bool log_ends_line, std::string_view text) {
  std::string appendix;
  if (log_ends_line) {
    appendix.append(text).append(kLogLineBreak);
  } else {
    appendix.append(kLogLineBreak).append(text);
  }
  return appendix;
}

}  // namespace harnlode::form
