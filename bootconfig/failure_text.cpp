#include "failure_text.h"

#include <vector>

namespace harnlode {
namespace {

std::vector<std::string>& KeptFailures() {
  static std::vector<std::string> kept;
  return kept;
}

}  // namespace

void KeepUnreportedFailure(const std::string& message) { KeptFailures().push_back(message); }

std::string FailureText(const std::exception& failure) {
  std::string text = failure.what();
  for (const std::string& kept : KeptFailures()) text += "\n" + kept;
  KeptFailures().clear();
  return text;
}

std::string WithClosingPeriod(std::string text) {
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
  return text;
}

std::string ErrorBoxText(const std::exception& failure) {
  return WithClosingPeriod(FailureText(failure));
}

}  // namespace harnlode
