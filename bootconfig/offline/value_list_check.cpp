#include "offline/value_list_check.h"

#include <algorithm>
#include <cerrno>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "offline/hivex_support.h"
#include "offline/windows_names.h"

namespace harnlode {
namespace {

// Data that begins as a key, value, security or list record does: a data cell that is in fact
// such a record, which freeing the data would free as well. Text is UTF-16, so no text begins so.
bool IsStructure(const char* data) {
  static constexpr std::string_view kStructures[] = {"nk", "vk", "sk", "lf", "lh", "li", "ri"};
  return std::any_of(std::begin(kStructures), std::end(kStructures),
                     [&](std::string_view id) { return id == std::string_view(data, 2); });
}

bool Damaged() {
  errno = EINVAL;
  return false;
}

}  // namespace

bool ValuesMayBeReplaced(hive_h* hive, hive_node_h node) {
  errno = 0;
  const hivex::Freed<hive_value_h> values(hivex_node_values(hive, node));
  if (!values) return false;
  std::set<hive_value_h> cells;  // value records and data cells alike
  std::vector<std::string> names;
  for (const hive_value_h* value = values.get(); *value != 0; ++value) {
    if (!cells.insert(*value).second) return Damaged();
    const hivex::Freed<char> name(hivex_value_key(hive, *value));
    if (!name) return false;
    if (std::any_of(names.begin(), names.end(), [&](const std::string& earlier) {
          return SameNameIgnoringCase(earlier, name.get());
        })) {
      return Damaged();
    }
    names.emplace_back(name.get());
    // Reading the data checks where it lies; inline data has no cell of its own.
    const std::optional<hivex::StoredValue> data = hivex::ReadStoredValue(hive, *value);
    if (!data) return false;
    std::size_t stored_length = 0;
    const hive_value_h data_cell = hivex_value_data_cell_offset(hive, *value, &stored_length);
    if (data_cell != 0 && !cells.insert(data_cell).second) return Damaged();
    if (data_cell != 0 && data->length >= 2 && IsStructure(data->data.get())) return Damaged();
  }
  return true;
}

}  // namespace harnlode
