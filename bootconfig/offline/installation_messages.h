// The messages about an installation's files that more than one unit gives, each written once.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace harnlode {

// How the user has Windows apply its logs and leave its volume closed rather than hibernated, as
// a phrase to follow "start that Windows once and" or the like.
inline constexpr std::string_view kShutDownFully =
    "shut it down fully (hold Shift while choosing Shut down)";

// The hive cannot be read, `error` (an errno value) saying why; what to do follows.
std::string UnreadableHive(const std::filesystem::path& hive, int error);

// The hive is missing since a save into its folder was cut short, and the hive as it was before
// is kept as `kept_as` (one file or more, quoted); the caller's sentences follow.
std::string CutShortSave(const std::filesystem::path& hive, const std::string& kept_as);

}  // namespace harnlode
