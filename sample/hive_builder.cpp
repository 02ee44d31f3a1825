#include "hive_builder.h"

#include <hivex.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "blank_hive.h"
#include "offline/hivex_support.h"
#include "text_conversion.h"

namespace harnlode {
namespace {

// hivex keeps raw types in an enum; a raw number outside it is copied in, never cast, so that
// any type the registry allows can be written and read.
static_assert(sizeof(hive_type) == sizeof(std::uint32_t));

std::vector<std::string> SplitKeyPath(std::string_view key_path) {
  std::vector<std::string> names;
  while (!key_path.empty()) {
    const std::size_t end = key_path.find('\\');
    const std::string_view name = key_path.substr(0, end);
    if (!name.empty()) names.emplace_back(name);
    key_path.remove_prefix(end == std::string_view::npos ? key_path.size() : end + 1);
  }
  return names;
}

std::string Lowercase(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

std::string ErrnoText() { return errno != 0 ? std::strerror(errno) : "unknown error"; }

}  // namespace

std::vector<std::uint8_t> TextData(std::string_view text) {
  std::vector<std::uint8_t> data = Utf16leFromEightBit(text);
  data.insert(data.end(), {0, 0});
  return data;
}

std::vector<std::uint8_t> MultiTextData(const std::vector<std::string>& texts) {
  std::vector<std::uint8_t> data;
  for (const std::string& text : texts) {
    const std::vector<std::uint8_t> one = TextData(text);
    data.insert(data.end(), one.begin(), one.end());
  }
  data.insert(data.end(), {0, 0});  // the empty string that ends the list
  return data;
}

std::vector<std::uint8_t> DwordData(std::uint32_t number) {
  return {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
          static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)};
}

HiveBuilder::HiveBuilder(const std::filesystem::path& file) : file_(file) {
  WriteBlankHive(file_);
  errno = 0;
  hive_.reset(hivex_open(file_.c_str(), HIVEX_OPEN_WRITE));
  if (!hive_) {
    throw std::runtime_error("Cannot open the registry hive " + file_.string() +
                             " for writing: " + ErrnoText());
  }
}

HiveBuilder::~HiveBuilder() = default;

void HiveBuilder::Fail(const std::string& what) const {
  throw std::runtime_error("Cannot " + what + " in the registry hive " + file_.string() + ": " +
                           ErrnoText());
}

HiveBuilder::Node HiveBuilder::KeyNode(std::string_view key_path) {
  hive_h* hive = hive_.get();
  hive_node_h node = hivex_root(hive);
  if (node == 0) Fail("find the root key");
  std::string path;
  for (const std::string& name : SplitKeyPath(key_path)) {
    path += path.empty() ? name : "\\" + name;
    // Not found and failure both return 0; only failure sets errno.
    errno = 0;
    hive_node_h child = hivex_node_get_child(hive, node, name.c_str());
    if (child == 0 && errno != 0) Fail("look up key " + path);
    if (child == 0) {
      child = hivex_node_add_child(hive, node, name.c_str());
      if (child == 0) Fail("add key " + path);
    }
    node = child;
  }
  return node;
}

void HiveBuilder::AddKey(std::string_view key_path) { KeyNode(key_path); }

HiveBuilder::Node HiveBuilder::Root() {
  errno = 0;
  const hive_node_h root = hivex_root(hive_.get());
  if (root == 0) Fail("find the root key");
  return root;
}

HiveBuilder::Node HiveBuilder::AddChild(Node parent, std::string_view name) {
  const std::string key(name);
  errno = 0;
  const hive_node_h child = hivex_node_add_child(hive_.get(), parent, key.c_str());
  if (child == 0) Fail("add key " + key);
  return child;
}

void HiveBuilder::SetValues(Node key, std::span<const NamedValue> values) {
  // hivex takes non-const pointers; it reads through them only.
  std::vector<hive_set_value> set(values.size());
  for (std::size_t i = 0; i < values.size(); ++i) {
    set[i].key = const_cast<char*>(values[i].name.c_str());
    std::memcpy(&set[i].t, &values[i].type, sizeof values[i].type);
    set[i].len = values[i].data.size();
    set[i].value = reinterpret_cast<char*>(const_cast<std::uint8_t*>(values[i].data.data()));
  }
  errno = 0;
  if (hivex_node_set_values(hive_.get(), key, set.size(), set.data(), 0) != 0) {
    Fail("set the values of a key");
  }
}

void HiveBuilder::SetValue(std::string_view key_path, std::string_view name, std::uint32_t type,
                           std::span<const std::uint8_t> data) {
  const hive_node_h node = KeyNode(key_path);
  // hivex takes non-const pointers; it reads through them only. A one-byte buffer keeps the data
  // pointer valid when there is no data.
  std::string key(name);
  std::vector<char> bytes(data.begin(), data.end());
  if (bytes.empty()) bytes.push_back(0);
  hive_set_value value{};
  value.key = key.data();
  std::memcpy(&value.t, &type, sizeof type);
  value.len = data.size();
  value.value = bytes.data();
  if (hivex_node_set_value(hive_.get(), node, &value, 0) != 0) {
    Fail("set value \"" + key + "\" of key " + std::string(key_path));
  }
}

void HiveBuilder::SetText(std::string_view key_path, std::string_view name, std::string_view text) {
  SetValue(key_path, name, kRegSz, TextData(text));
}

void HiveBuilder::SetExpandText(std::string_view key_path, std::string_view name,
                                std::string_view text) {
  SetValue(key_path, name, kRegExpandSz, TextData(text));
}

void HiveBuilder::SetMultiText(std::string_view key_path, std::string_view name,
                               const std::vector<std::string>& texts) {
  SetValue(key_path, name, kRegMultiSz, MultiTextData(texts));
}

void HiveBuilder::SetDword(std::string_view key_path, std::string_view name, std::uint32_t number) {
  SetValue(key_path, name, kRegDword, DwordData(number));
}

void HiveBuilder::Commit() {
  if (hivex_commit(hive_.get(), nullptr, 0) != 0) Fail("write the changes");
}

namespace {

class HiveReader {
 public:
  explicit HiveReader(const std::filesystem::path& file) : file_(file) {
    errno = 0;
    owned_.reset(hivex_open(file.c_str(), 0));
    if (!owned_) Fail("open it");
    hive_ = owned_.get();
  }

  HiveContents ReadAll() {
    HiveContents contents;
    errno = 0;
    const hive_node_h root = hivex_root(hive_);
    if (root == 0) Fail("find the root key");
    ReadKey(root, "", contents);
    return contents;
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    throw std::runtime_error("Cannot read the registry hive " + file_.string() + ": cannot " +
                             what + ": " + ErrnoText());
  }

  void ReadKey(hive_node_h node, const std::string& path, HiveContents& contents) {
    contents[path] = ReadValues(node, path);
    errno = 0;
    const hivex::Freed<hive_node_h> children(hivex_node_children(hive_, node));
    if (!children) Fail("list the subkeys of key " + path);
    for (const hive_node_h* child = children.get(); *child != 0; ++child) {
      errno = 0;
      const hivex::Freed<char> name(hivex_node_name(hive_, *child));
      if (!name) Fail("read a subkey name of key " + path);
      ReadKey(*child, path.empty() ? name.get() : path + "\\" + name.get(), contents);
    }
  }

  HiveValues ReadValues(hive_node_h node, const std::string& path) {
    HiveValues values;
    errno = 0;
    const hivex::Freed<hive_value_h> handles(hivex_node_values(hive_, node));
    if (!handles) Fail("list the values of key " + path);
    for (const hive_value_h* handle = handles.get(); *handle != 0; ++handle) {
      errno = 0;
      const hivex::Freed<char> name(hivex_value_key(hive_, *handle));
      if (!name) Fail("read a value name of key " + path);
      const std::optional<hivex::StoredValue> data = hivex::ReadStoredValue(hive_, *handle);
      if (!data) Fail("read value \"" + std::string(name.get()) + "\" of key " + path);
      HiveValue value;
      value.type = data->type;
      value.data.assign(data->Bytes().begin(), data->Bytes().end());
      values[Lowercase(name.get())] = std::move(value);
    }
    return values;
  }

  std::filesystem::path file_;
  hivex::OwnedHive owned_;
  hive_h* hive_ = nullptr;
};

}  // namespace

HiveContents ReadHiveContents(const std::filesystem::path& file) {
  return HiveReader(file).ReadAll();
}

}  // namespace harnlode
