#include "failure_text.h"

#include "target_system.h"

namespace harnlode {

std::string FailureText(const std::exception& failure, const std::vector<std::string>& kept) {
  std::string text = failure.what();
  for (const std::string& other : kept) text += "\n" + other;
  return text;
}

std::string WithClosingPeriod(std::string text) {
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
  return text;
}

std::string ErrorBoxText(const std::exception& failure, const TargetSystem* system) {
  return WithClosingPeriod(system ? FailureText(failure, system->KeptFailures())
                                  : FailureText(failure));
}

}  // namespace harnlode
