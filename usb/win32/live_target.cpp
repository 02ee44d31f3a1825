#include "live_target.h"

#include <windows.h>

namespace harnlode::win32 {
namespace {

// Whether the program runs with the rights of the Administrators group.
bool HasAdministratorRights() {
  SID_IDENTIFIER_AUTHORITY nt_authority = SECURITY_NT_AUTHORITY;
  PSID administrators = nullptr;
  if (!AllocateAndInitializeSid(&nt_authority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &administrators)) {
    return false;
  }
  BOOL member = FALSE;
  if (!CheckTokenMembership(nullptr, administrators, &member)) member = FALSE;
  FreeSid(administrators);
  return member != FALSE;
}

}  // namespace

RegStatus RefusalNotingRegistry::Noted(RegStatus status) {
  if (status == kErrorAccessDenied) refused_ = true;
  return status;
}

RegStatus RefusalNotingRegistry::OpenKey(RegKey parent, const std::string& subkey, RegAccess access,
                                         RegKey* result) {
  return Noted(registry_.OpenKey(parent, subkey, access, result));
}

RegStatus RefusalNotingRegistry::CreateKey(RegKey parent, const std::string& subkey,
                                           RegAccess access, RegKey* result) {
  return Noted(registry_.CreateKey(parent, subkey, access, result));
}

RegStatus RefusalNotingRegistry::QueryValue(RegKey key, const std::string& name, RegType* type,
                                            std::uint8_t* data, std::uint32_t* size) {
  return Noted(registry_.QueryValue(key, name, type, data, size));
}

RegStatus RefusalNotingRegistry::SetValue(RegKey key, const std::string& name, RegType type,
                                          const std::uint8_t* data, std::uint32_t size) {
  return Noted(registry_.SetValue(key, name, type, data, size));
}

RegStatus RefusalNotingRegistry::FlushKey(RegKey key) { return Noted(registry_.FlushKey(key)); }

RegStatus RefusalNotingRegistry::CloseKey(RegKey key) { return registry_.CloseKey(key); }

void RefusalNotingRegistry::BeginRun(bool changes) {
  refused_ = false;
  registry_.BeginRun(changes);
}

std::string LiveTarget::WriteRefusalExplanation() {
  if (!registry_.Refused()) return {};
  if (!HasAdministratorRights()) {
    return "Windows refused Harnlode access to the service keys: Harnlode needs administrator "
           "rights. Close it and start it again with \"Run as administrator\".";
  }
  return "Windows refused Harnlode access to the service keys although it runs with administrator "
         "rights: their permissions, or a security program, keep them from being changed. Give "
         "the Administrators group full control of the keys, or allow Harnlode in the security "
         "program, then try again.";
}

}  // namespace harnlode::win32
