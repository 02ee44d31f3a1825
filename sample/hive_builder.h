// Builds registry hive files with hivex, and reads them back whole, for the sample installation
// and for tests that need hives with known contents.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "offline/hivex_support.h"
#include "registry_api.h"

namespace harnlode {

// One value of a key, with its raw data, for writing a key's values in one go.
struct NamedValue {
  std::string name;
  std::uint32_t type = kRegNone;
  std::vector<std::uint8_t> data;
};

// The registry's encodings of value data: UTF-16LE text with its terminating NULs, a list of texts
// ended by an empty one, and a little-endian 32-bit number.
std::vector<std::uint8_t> TextData(std::string_view text);
std::vector<std::uint8_t> MultiTextData(const std::vector<std::string>& texts);
std::vector<std::uint8_t> DwordData(std::uint32_t number);

// Key paths are backslash-separated and relative to the hive's root key; "" is the root itself.
// Names are matched without regard to case, as in the registry.
class HiveBuilder {
 public:
  // Creates a blank hive at `file`, replacing any file there, and opens it for writing.
  explicit HiveBuilder(const std::filesystem::path& file);
  // Closes the hive; changes not committed are lost.
  ~HiveBuilder();
  HiveBuilder(const HiveBuilder&) = delete;
  HiveBuilder& operator=(const HiveBuilder&) = delete;

  // Creates every missing key along the path.
  void AddKey(std::string_view key_path);

  // Sets one value, replacing a value of that name and keeping the others; creates the key if
  // missing. "" names the key's default value.
  void SetValue(std::string_view key_path, std::string_view name, std::uint32_t type,
                std::span<const std::uint8_t> data);
  // REG_SZ, REG_EXPAND_SZ and REG_MULTI_SZ values from UTF-8 text, stored as UTF-16LE with the
  // terminating NULs the registry expects.
  void SetText(std::string_view key_path, std::string_view name, std::string_view text);
  void SetExpandText(std::string_view key_path, std::string_view name, std::string_view text);
  void SetMultiText(std::string_view key_path, std::string_view name,
                    const std::vector<std::string>& texts);
  void SetDword(std::string_view key_path, std::string_view name, std::uint32_t number);

  // Keys by handle, for building large hives quickly: no path is looked up again.
  using Node = std::size_t;
  Node Root();
  // Adds the subkey `name` below `parent`, which must not have one of that name yet.
  Node AddChild(Node parent, std::string_view name);
  // Replaces every value of the key. hivex never reuses the space it frees, so a key whose values
  // are all written in one call takes no more room than it needs.
  void SetValues(Node key, std::span<const NamedValue> values);

  // Writes the changes so far to the file. Editing may go on afterwards.
  void Commit();

 private:
  Node KeyNode(std::string_view key_path);
  [[noreturn]] void Fail(const std::string& what) const;

  std::filesystem::path file_;
  hivex::OwnedHive hive_;
};

struct HiveValue {
  std::uint32_t type = kRegNone;
  std::vector<std::uint8_t> data;

  bool operator==(const HiveValue&) const = default;
};

// Value names in lowercase, since the registry ignores their case, mapped to type and raw data.
using HiveValues = std::map<std::string, HiveValue>;
// Every key by its path from the root ("" for the root, names as stored) with its values.
using HiveContents = std::map<std::string, HiveValues>;

// Reads a whole hive file with hivex, read-only. Throws std::runtime_error naming the file when
// it cannot be opened or read.
HiveContents ReadHiveContents(const std::filesystem::path& file);

}  // namespace harnlode
