#include "report_text.h"

namespace harnlode {

std::string WithClosingPeriod(std::string text) {
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
  return text;
}

std::string FailureText(const RunFailure& failure) {
  std::string text = failure.message;
  for (const std::string& other : failure.kept) text += "\n" + other;
  return text;
}

std::vector<std::string> UsbStartNoteLines(const RunReport& report) {
  std::vector<std::string> lines;
  for (const std::string& note : report.usb_start_notes) lines.push_back(note + "\n");
  return lines;
}

std::vector<std::string> NoteLines(const RunReport& report) {
  std::vector<std::string> lines = UsbStartNoteLines(report);
  for (const std::string& note : report.notes) lines.push_back(note + "\n");
  return lines;
}

std::string ErrorBoxText(const RunReport& report) {
  if (!report.failure) return {};
  std::string text = WithClosingPeriod(FailureText(*report.failure));
  if (!report.failure->explanation.empty()) text += "\n\n" + report.failure->explanation;
  return text;
}

std::string ConsoleErrorText(const RunReport& report) {
  std::string text;
  for (const std::string& note : report.notes) text += "Warning: " + note + "\n";
  if (!report.failure) return text;
  if (!report.failure->explanation.empty()) text += report.failure->explanation + "\n";
  return text + WithClosingPeriod(FailureText(*report.failure)) + "\n";
}

}  // namespace harnlode
