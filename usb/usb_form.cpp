#include "usb_form.h"

#include <algorithm>

namespace harnlode::form {

PaneLayout LayOutPane(Size size, int (*scaled)(int)) {
  const auto pixels = [scaled](int design) { return scaled ? scaled(design) : design; };
  const int frame = pixels(kPaneFrameWidth);
  const int splitter_height = pixels(kSplitterHeight);
  const int strip_height = pixels(kStripHeight);
  const int selector_width = pixels(kSelectorWidth);
  const int inner_width = std::max(0, size.width - 2 * frame);
  const int page_height = std::max(0, size.height - 2 * frame - splitter_height - strip_height);
  const Rect page{frame, frame, inner_width, page_height};
  const Rect splitter{frame, page.top + page_height, inner_width, splitter_height};
  const Rect strip{frame, splitter.top + splitter_height, inner_width, strip_height};
  const Rect selector{frame + inner_width - selector_width, strip.top, selector_width,
                      strip_height};
  return {page, splitter, strip, selector};
}

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
