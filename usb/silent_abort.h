// The failure that ends an action without telling the user anything: the error display shows no
// box for it.
#pragma once

#include <exception>

namespace harnlode {

class EAbort : public std::exception {
 public:
  const char* what() const noexcept override { return "Operation aborted"; }
};

}  // namespace harnlode
