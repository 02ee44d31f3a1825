#include "windows/refusal_noting_registry.h"

namespace harnlode {

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

}  // namespace harnlode
