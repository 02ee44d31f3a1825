#include "bench_installation.h"

#include <stdlib.h>

#include <stdexcept>

#include "hivex_floor.h"

namespace harnlode::bench {

namespace fs = std::filesystem;

BenchInstallation::BenchInstallation(const std::function<void(const fs::path&)>& make) {
  std::string pattern = (fs::temp_directory_path() / "harnlode-bench-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no temporary folder");
  root_ = pattern;
  make(Folder());
  fs::copy_file(SystemHiveOf(Folder()), root_ / "first-state");
}

BenchInstallation::~BenchInstallation() { fs::remove_all(root_); }

void BenchInstallation::Restore() const {
  fs::copy_file(root_ / "first-state", SystemHiveOf(Folder()),
                fs::copy_options::overwrite_existing);
}

}  // namespace harnlode::bench
