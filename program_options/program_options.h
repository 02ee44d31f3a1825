// The options that both programs read alike: --help and --version answer on standard output and
// end the program; "--" ends the options, so that a folder may begin with "-".
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace harnlode {

// The usage's lines for --help and --version, to follow the program's own options.
extern const char* const kAnswerOptionsHelp;

// "PROGRAM VERSION" with the project's version, and a line feed: what --version writes.
std::string VersionLine(std::string_view program);

struct ProgramArguments {
  enum class Answer { kNone, kHelp, kVersion };
  Answer answer = Answer::kNone;      // --help or --version, when one came first
  std::vector<std::string> options;   // the program's own options that were given, in order
  std::vector<std::string> operands;  // the arguments that are no option
  std::string unknown_option;         // an option the program does not take, when one came first
};

// Reads the arguments that follow the program's name; `own_options` are the program's options
// besides --help and --version. Reading stops at --help, --version or an unknown option.
ProgramArguments ReadProgramArguments(const std::vector<std::string>& arguments,
                                      std::initializer_list<std::string_view> own_options = {});

}  // namespace harnlode
