// The text that tells the user about a failure that ended a run.
#pragma once

#include <exception>
#include <string>
#include <vector>

namespace harnlode {

class TargetSystem;

// The failure's message, followed by each of the failures kept beside it (see
// TargetSystem::KeptFailures), one per line.
std::string FailureText(const std::exception& failure, const std::vector<std::string>& kept = {});

// The text with a period added when it is not empty and its last character's code is above that
// of "." (46): a message ending in a letter, digit, "?" or ":" gets one; one ending in ".", "!",
// ")" or a quote mark does not.
std::string WithClosingPeriod(std::string text);

// FailureText with the failures that `system` kept, as the error box shows it: WithClosingPeriod.
std::string ErrorBoxText(const std::exception& failure, const TargetSystem* system = nullptr);

}  // namespace harnlode
