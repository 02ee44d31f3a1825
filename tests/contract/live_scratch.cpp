// The scratch registry of the running system: a key tree below HKEY_LOCAL_MACHINE\SYSTEM, filled
// and read back through the registry API's UTF-16 form, which stores data as given, and removed
// afterwards with the files the test made.
#include <windows.h>
// After windows.h, which it needs.
#include <aclapi.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "scratch_registry.h"
#include "windows/live_system.h"

namespace harnlode::testing {
namespace {

namespace fs = std::filesystem;

constexpr const wchar_t* kScratchKey = L"SYSTEM\\HarnlodeScratch";

// The driver folder reached past the redirection of a 32-bit program on 64-bit Windows (the
// alias sysnative), so that the files are where the system's drivers are and the store under
// test must find its own way there.
std::string DriverFolder() {
  BOOL redirected = FALSE;
  ::IsWow64Process(::GetCurrentProcess(), &redirected);
  return redirected ? "c:\\windows\\sysnative\\drivers\\" : "c:\\windows\\system32\\drivers\\";
}

std::wstring Wide(const std::string& text) {
  const int length =
      ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(length, L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                        length);
  return wide;
}

void Check(LONG status, const std::string& what) {
  if (status != ERROR_SUCCESS) {
    throw std::runtime_error(what + " failed with error " + std::to_string(status));
  }
}

// An open key, closed when it goes.
class Key {
 public:
  Key(const std::wstring& path, REGSAM access) {
    Check(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, access, nullptr, &key_,
                            nullptr),
          "Opening the scratch key");
  }
  ~Key() { ::RegCloseKey(key_); }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  HKEY Handle() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

class LiveScratch final : public ScratchRegistry {
 public:
  LiveScratch() {
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kScratchKey);  // left over from an interrupted run
    Key created(kScratchKey, KEY_ALL_ACCESS);
  }

  ~LiveScratch() override {
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kScratchKey);
    for (const fs::path& made : made_) {
      std::error_code ignored;
      fs::remove(made, ignored);
    }
  }

  TargetSystem& System() override { return system_; }
  std::string Root() const override { return "SYSTEM\\HarnlodeScratch"; }

  void Put(const std::string& key, const std::string& name, RegType type,
           const std::vector<std::uint8_t>& data) override {
    // The UTF-16 form adds a terminator to text whose next character, past the given data, is
    // one; two more bytes that are not keep the data exactly as given.
    std::vector<std::uint8_t> padded = data;
    padded.insert(padded.end(), {0xFF, 0xFF});
    Key target(Path(key), KEY_ALL_ACCESS);
    Check(::RegSetValueExW(target.Handle(), Wide(name).c_str(), 0, type, padded.data(),
                           static_cast<DWORD>(data.size())),
          "Storing a scratch value");
  }

  std::optional<StoredValue> Get(const std::string& key, const std::string& name) override {
    HKEY target = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, Path(key).c_str(), 0, KEY_QUERY_VALUE, &target) !=
        ERROR_SUCCESS) {
      return std::nullopt;
    }
    StoredValue value;
    DWORD type = REG_NONE;
    DWORD size = 0;
    LONG status = ::RegQueryValueExW(target, Wide(name).c_str(), nullptr, &type, nullptr, &size);
    if (status == ERROR_SUCCESS) {
      value.data.resize(size);
      status =
          ::RegQueryValueExW(target, Wide(name).c_str(), nullptr, &type, value.data.data(), &size);
      value.data.resize(size);
      value.type = type;
    }
    ::RegCloseKey(target);
    if (status != ERROR_SUCCESS) return std::nullopt;
    return value;
  }

  // The key's access list grants reading and nothing else, to everyone; the key's owner keeps
  // the right to change the list, and gives everyone full access again afterwards.
  int WithReadOnlyKey(const std::string& key, const std::function<int()>& work) override {
    Key target(Path(key), KEY_ALL_ACCESS);
    Check(SetAccess(target.Handle(), KEY_READ), "Making the scratch key read-only");
    int result = -1;
    try {
      result = work();
    } catch (...) {
    }
    Check(SetAccess(target.Handle(), KEY_ALL_ACCESS), "Making the scratch key writable");
    return result;
  }

  void PutDriverFile(const std::string& name) override {
    const fs::path file = DriverFolder() + name;
    std::ofstream out(file);
    out << "driver" << std::flush;
    if (!out) throw std::runtime_error("Cannot make the driver file " + file.string());
    made_.push_back(file);
  }
  void PutDriverFolder(const std::string& name) override {
    const fs::path folder = DriverFolder() + name;
    fs::create_directory(folder);
    made_.push_back(folder);
  }

 private:
  static std::wstring Path(const std::string& key) {
    return std::wstring(kScratchKey) + L"\\" + Wide(key);
  }

  static LONG SetAccess(HKEY key, DWORD rights) {
    EXPLICIT_ACCESSW entry{};
    entry.grfAccessPermissions = rights;
    entry.grfAccessMode = SET_ACCESS;
    entry.grfInheritance = NO_INHERITANCE;
    entry.Trustee.TrusteeForm = TRUSTEE_IS_NAME;
    entry.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    entry.Trustee.ptstrName = const_cast<wchar_t*>(L"EVERYONE");
    PACL list = nullptr;
    LONG status = ::SetEntriesInAclW(1, &entry, nullptr, &list);
    if (status != ERROR_SUCCESS) return status;
    status = ::SetSecurityInfo(key, SE_REGISTRY_KEY,
                               DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                               nullptr, nullptr, list, nullptr);
    ::LocalFree(list);
    return status;
  }

  LiveSystem system_;
  std::vector<fs::path> made_;
};

}  // namespace

std::vector<ScratchKind> ScratchKinds() {
  return {
      {"Live", [] { return std::unique_ptr<ScratchRegistry>(std::make_unique<LiveScratch>()); }},
      {"Memory", MakeMemoryScratch}};
}

}  // namespace harnlode::testing
