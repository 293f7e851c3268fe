#pragma once
// The registry of the local machine, as far as the library and its host use
// it: a file store "registry.ini" in the Windows folder ("C:\WINDOWS\",
// mapped like every path). Each key is a section named by its full path
// ("HKEY_LOCAL_MACHINE\SOFTWARE\Halvorsk\AZS"); each value a line with its
// type: name=dword:0000002A, name=sz:"text" (\\, \", \r, \n escaped),
// name=hex:01,02 (binary). The default value is stored under "@". Key and
// value names ignore letter case. Every call reads the store anew and every
// change replaces it atomically under a cross-process lock, so the host and
// the library may share it.
//
// Errors follow the runtime's registry class: ERegistryException
// "Invalid data type for '<name>'" for a value of another type,
// "Failed to get data for '<name>'" for a missing value, and
// "Failed to set data for '<name>'" for a write that fails (also on a key
// opened read-only).

#include <string>
#include <vector>

#include "platform/text/DateTime.h"
#include "platform/Exceptions.h"
#include "platform/text/StringList.h"

namespace tv {

TV_EXCEPTION_CLASS(ERegistryException, Exception);

class TRegistry {
 public:
  enum TRootKey { HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE };
  enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

  TRegistry() = default;  // root: the local machine

  TRootKey RootKey() const { return root_; }
  void SetRootKey(TRootKey root);

  // `key` is relative to the open key unless it starts with "\". False when
  // the key is missing and may not be created.
  bool OpenKey(const std::string& key, bool canCreate);
  bool OpenKeyReadOnly(const std::string& key);
  void CloseKey();
  // The open key's path below the root ("" when none is open).
  const std::string& CurrentPath() const { return path_; }

  bool KeyExists(const std::string& key) const;
  bool CreateKey(const std::string& key);
  // Removes the key with its values and sub-keys.
  bool DeleteKey(const std::string& key);
  bool DeleteValue(const std::string& name);
  void GetKeyNames(TStringList& strings) const;
  void GetValueNames(TStringList& strings) const;

  bool ValueExists(const std::string& name) const;
  TRegDataType GetDataType(const std::string& name) const;

  int ReadInteger(const std::string& name) const;
  void WriteInteger(const std::string& name, int value);
  bool ReadBool(const std::string& name) const;  // ReadInteger != 0
  void WriteBool(const std::string& name, bool value);
  // "" when the value is missing.
  std::string ReadString(const std::string& name) const;
  void WriteString(const std::string& name, const std::string& value);
  void WriteExpandString(const std::string& name, const std::string& value);
  // An 8-byte binary value holding the double.
  TDateTime ReadDateTime(const std::string& name) const;
  void WriteDateTime(const std::string& name, TDateTime value);
  std::string ReadBinaryData(const std::string& name) const;
  void WriteBinaryData(const std::string& name, const std::string& bytes);

  // The store file: "C:\WINDOWS\registry.ini".
  static std::string StoreFileName();

 private:
  std::string FullPath(const std::string& key) const;  // section name of a key
  std::string Section() const { return FullPath("\\" + path_); }
  std::string ReadRaw(const std::string& name, bool& found) const;
  void WriteRaw(const std::string& name, const std::string& raw);

  TRootKey root_ = HKEY_LOCAL_MACHINE;
  std::string path_;
  bool open_ = false;
  bool readOnly_ = false;
};

}  // namespace tv
