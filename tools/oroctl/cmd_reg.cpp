// oroctl reg: the settings store from the command line, in the manner of the
// registry's own command-line tool (query, add, delete, export).
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "command.h"
#include "oro/common/key_path.h"
#include "oro/common/reg_file.h"
#include "oro/common/registry_access.h"
#include "oro/platform/little_endian.h"
#include "oro/platform/make_platform.h"
#include "oro/platform/reg_value_codec.h"
#include "oro/platform/root_keys.h"
#include "oro/platform/text.h"

namespace oro::tools {
namespace {

namespace regtype = platform::regtype;
using common::RegistryAccess;
using common::RegistryException;

constexpr const char* kUsage =
    "usage: oroctl reg query KEY [/v NAME | /ve] [/s]\n"
    "       oroctl reg add KEY [/v NAME | /ve] [/t TYPE] [/s SEPARATOR] [/d DATA] [/f]\n"
    "       oroctl reg delete KEY [/v NAME | /ve | /va] [/f]\n"
    "       oroctl reg export KEY FILE [/y]\n"
    "KEY is ROOT\\SUBKEY with ROOT one of HKLM, HKCU, HKCR, HKU, HKCC or their full names.\n"
    "TYPE is REG_SZ (default), REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD or REG_BINARY.\n"
    "Existing values and files are replaced, and keys or values deleted, only with /f (/y for export).\n";

constexpr const char* kDone = "The operation completed successfully.\n";

// Bad command lines are reported with the usage status.
struct UsageProblem {
  std::string message;
};

void Print(const std::wstring& text) { std::fputs(platform::ToUtf8(text).c_str(), stdout); }

std::string Upper(std::string text) {
  for (auto& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

// The registry tool's short root names are accepted here for convenience; the
// store itself only knows the full names.
std::wstring ExpandKey(const std::string& arg) {
  std::wstring key = platform::FromUtf8(arg);
  while (key.size() > 1 && key.back() == L'\\') key.pop_back();
  const std::size_t slash = key.find(L'\\');
  const std::wstring root = key.substr(0, slash);
  const std::wstring rest = slash == std::wstring::npos ? L"" : key.substr(slash + 1);
  platform::RootKey which;
  const std::wstring full = platform::RootKeyFromNameOrAbbreviation(root, &which) ? platform::RootKeyName(which) : root;
  return full + L"\\" + rest;
}

std::wstring SubKey(const std::wstring& key, const std::wstring& name) {
  return key.back() == L'\\' ? key + name : key + L"\\" + name;
}

std::wstring Shown(const std::wstring& key) {
  const common::KeyPath path = common::ParseKeyPath(key);
  return path.sub_key.empty() ? std::wstring(common::RootName(path.root)) : path.Canonical();
}

// --- command line -------------------------------------------------------------

struct Options {
  std::wstring key;
  std::vector<std::string> positional;  // after KEY
  bool has_name = false;
  std::wstring name;
  bool default_value = false;  // /ve
  bool all_values = false;     // /va
  bool recurse = false;        // /s in query
  bool force = false;          // /f, /y
  bool has_type = false;
  std::string type = "REG_SZ";
  bool has_data = false;
  std::string data;
  bool has_separator = false;
  std::wstring separator = L"\\0";
};

// Switches are one or two letters after "/" or "-"; anything else (such as an
// absolute file path) is a plain argument.
bool IsSwitch(const std::string& arg) {
  if (arg.size() < 2 || arg.size() > 3 || (arg[0] != '/' && arg[0] != '-')) return false;
  for (std::size_t i = 1; i < arg.size(); ++i) {
    if (!((arg[i] >= 'a' && arg[i] <= 'z') || (arg[i] >= 'A' && arg[i] <= 'Z'))) return false;
  }
  return true;
}

// `allowed` lists the switches of the operation; "/s" takes an argument in add.
// `positionals` is the number of plain arguments after KEY.
Options ParseOptions(const Args& args, const std::vector<std::string>& allowed, bool separator_switch,
                     std::size_t positionals) {
  if (args.size() < 2) throw UsageProblem{"missing KEY"};
  Options o;
  o.key = ExpandKey(args[1]);
  auto is_allowed = [&allowed](const std::string& s) {
    for (const auto& a : allowed) {
      if (a == s) return true;
    }
    return false;
  };
  for (std::size_t i = 2; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (!IsSwitch(arg)) {
      o.positional.push_back(arg);
      continue;
    }
    const std::string sw = "/" + Upper(arg.substr(1));
    if (!is_allowed(sw)) throw UsageProblem{"unknown switch " + arg};
    auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw UsageProblem{"switch " + arg + " needs a value"};
      return args[++i];
    };
    if (sw == "/V") {
      o.has_name = true;
      o.name = platform::FromUtf8(value());
    } else if (sw == "/VE") {
      o.default_value = true;
    } else if (sw == "/VA") {
      o.all_values = true;
    } else if (sw == "/S" && separator_switch) {
      o.has_separator = true;
      o.separator = platform::FromUtf8(value());
    } else if (sw == "/S") {
      o.recurse = true;
    } else if (sw == "/F" || sw == "/Y") {
      o.force = true;
    } else if (sw == "/T") {
      o.has_type = true;
      o.type = Upper(value());
    } else if (sw == "/D") {
      o.has_data = true;
      o.data = value();
    }
  }
  if (static_cast<int>(o.has_name) + static_cast<int>(o.default_value) + static_cast<int>(o.all_values) > 1) {
    throw UsageProblem{"/v, /ve and /va exclude each other"};
  }
  if (o.positional.size() > positionals) throw UsageProblem{"unexpected argument " + o.positional[positionals]};
  if (o.positional.size() < positionals) throw UsageProblem{"missing FILE"};
  return o;
}

// --- showing values -------------------------------------------------------------

std::wstring TypeName(std::uint32_t type) {
  static const wchar_t* const kNames[] = {L"REG_NONE",
                                          L"REG_SZ",
                                          L"REG_EXPAND_SZ",
                                          L"REG_BINARY",
                                          L"REG_DWORD",
                                          L"REG_DWORD_BIG_ENDIAN",
                                          L"REG_LINK",
                                          L"REG_MULTI_SZ",
                                          L"REG_RESOURCE_LIST",
                                          L"REG_FULL_RESOURCE_DESCRIPTOR",
                                          L"REG_RESOURCE_REQUIREMENTS_LIST",
                                          L"REG_QWORD"};
  if (type < sizeof kNames / sizeof kNames[0]) return kNames[type];
  return L"REG_TYPE_" + std::to_wstring(type);
}

std::wstring HexBytes(const std::vector<std::uint8_t>& data) {
  static const wchar_t kDigits[] = L"0123456789ABCDEF";
  std::wstring out;
  for (std::uint8_t b : data) {
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 0xF]);
  }
  return out;
}

// A DWORD or QWORD value of its own size, as a number.
std::wstring LittleEndianHex(const std::vector<std::uint8_t>& data) {
  const unsigned long long number =
      data.size() == 8 ? platform::LoadLe<std::uint64_t>(data.data()) : platform::LoadLe<std::uint32_t>(data.data());
  wchar_t text[24];
  std::swprintf(text, 24, L"0x%llx", number);
  return text;
}

std::wstring ShownData(const platform::RegValue& value) {
  switch (value.type) {
    case regtype::kSz:
    case regtype::kExpandSz:
      return platform::DecodeRegString(value.data);
    case regtype::kMultiSz: {
      std::wstring joined;
      const auto items = platform::DecodeRegMultiString(value.data);
      for (std::size_t i = 0; i < items.size(); ++i) joined += (i ? L"\\0" : L"") + items[i];
      return joined;
    }
    case regtype::kDword:
      return value.data.size() == 4 ? LittleEndianHex(value.data) : HexBytes(value.data);
    case regtype::kQword:
      return value.data.size() == 8 ? LittleEndianHex(value.data) : HexBytes(value.data);
    default:
      return HexBytes(value.data);
  }
}

void PrintValue(const std::wstring& name, const platform::RegValue& value) {
  Print(L"    " + (name.empty() ? std::wstring(L"(Default)") : name) + L"    " + TypeName(value.type) + L"    " +
        ShownData(value) + L"\n");
}

// The header goes out only once the values were read, so a key that cannot
// be read prints the error alone.
void PrintKey(const std::wstring& key, const std::vector<RegistryAccess::NamedValue>& values) {
  Print(Shown(key) + L"\n");
  for (const auto& v : values) PrintValue(v.name, v.value);
  Print(L"\n");
}

int Query(RegistryAccess& reg, const Options& o) {
  if (o.has_name || o.default_value) {
    const std::wstring name = o.has_name ? o.name : L"";
    if (o.recurse) {
      int found = 0;
      reg.VisitTree(o.key, [&](const RegistryAccess::TreeKey& key) {
        platform::RegValue value;
        if (!key.FindValue(name, &value)) return;
        Print((found == 0 ? L"\n" : L"") + Shown(key.Path()) + L"\n");
        PrintValue(name, value);
        Print(L"\n");
        ++found;
      });
      Print((found == 0 ? L"\n" : L"") + std::wstring(L"End of search: ") + std::to_wstring(found) +
            L" match(es) found.\n");
      return 0;
    }
    const platform::RegValue value = reg.ReadValue(o.key, name);
    Print(L"\n" + Shown(o.key) + L"\n");
    PrintValue(name, value);
    Print(L"\n");
    return 0;
  }
  if (o.recurse) {
    bool first = true;
    reg.VisitTree(o.key, [&](const RegistryAccess::TreeKey& key) {
      const auto values = key.Values();
      if (first) Print(L"\n");
      first = false;
      PrintKey(key.Path(), values);
    });
    return 0;
  }
  const auto values = reg.EnumerateValues(o.key);
  const auto sub_keys = reg.EnumerateSubKeys(o.key);
  Print(L"\n");
  PrintKey(o.key, values);
  for (const auto& sub : sub_keys) Print(Shown(SubKey(o.key, sub)) + L"\n");
  return 0;
}

// --- adding values --------------------------------------------------------------

std::uint32_t ParseDword(const std::string& text) {
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const std::string digits = hex ? text.substr(2) : text;
  if (digits.empty()) throw UsageProblem{"REG_DWORD data must be a number, not '" + text + "'"};
  unsigned long long number = 0;
  for (char c : digits) {
    int d;
    if (c >= '0' && c <= '9') {
      d = c - '0';
    } else if (hex && c >= 'a' && c <= 'f') {
      d = c - 'a' + 10;
    } else if (hex && c >= 'A' && c <= 'F') {
      d = c - 'A' + 10;
    } else {
      throw UsageProblem{"REG_DWORD data must be a decimal or 0x-prefixed hexadecimal number, not '" + text + "'"};
    }
    number = number * (hex ? 16 : 10) + static_cast<unsigned>(d);
    if (number > 0xFFFFFFFFull) throw UsageProblem{"REG_DWORD data " + text + " does not fit in 32 bits"};
  }
  return static_cast<std::uint32_t>(number);
}

std::vector<std::uint8_t> ParseBinary(const std::string& text) {
  if (text.size() % 2 != 0) throw UsageProblem{"REG_BINARY data needs an even number of hex digits"};
  auto digit = [&text](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    throw UsageProblem{"REG_BINARY data must be hex digits, not '" + text + "'"};
  };
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i < text.size(); i += 2) {
    bytes.push_back(static_cast<std::uint8_t>(digit(text[i]) << 4 | digit(text[i + 1])));
  }
  return bytes;
}

std::vector<std::wstring> SplitList(const std::wstring& text, const std::wstring& separator) {
  std::vector<std::wstring> items;
  if (text.empty()) return items;
  std::size_t start = 0;
  for (;;) {
    const std::size_t at = text.find(separator, start);
    items.push_back(text.substr(start, at == std::wstring::npos ? std::wstring::npos : at - start));
    if (at == std::wstring::npos) return items;
    start = at + separator.size();
  }
}

// The value's type and bytes from /t, /d and /s; any fault is a usage problem
// found before the store is touched.
platform::RegValue ValueFromOptions(const Options& o) {
  platform::RegValue value;
  if (o.has_separator && o.type != "REG_MULTI_SZ") throw UsageProblem{"/s applies to REG_MULTI_SZ only"};
  if (o.has_separator && o.separator.empty()) throw UsageProblem{"/s needs a separator"};
  const std::wstring text = platform::FromUtf8(o.data);
  if (o.type == "REG_SZ" || o.type == "REG_EXPAND_SZ") {
    value.type = o.type == "REG_SZ" ? regtype::kSz : regtype::kExpandSz;
    value.data = platform::EncodeRegString(text);
  } else if (o.type == "REG_MULTI_SZ") {
    value.type = regtype::kMultiSz;
    value.data = platform::EncodeRegMultiString(SplitList(text, o.separator));
  } else if (o.type == "REG_DWORD") {
    const std::uint32_t n = o.has_data ? ParseDword(o.data) : 0;
    value.type = regtype::kDword;
    value.data = platform::LeBytes(n);
  } else if (o.type == "REG_BINARY") {
    value.type = regtype::kBinary;
    value.data = ParseBinary(o.data);
  } else {
    throw UsageProblem{"unknown type " + o.type + "; use REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD or REG_BINARY"};
  }
  return value;
}

bool SetsValue(const Options& o) {
  return o.has_name || o.default_value || o.has_type || o.has_data || o.has_separator;
}

int Add(RegistryAccess& reg, const Options& o) {
  if (!SetsValue(o)) {
    reg.CreateKey(o.key);
    std::fputs(kDone, stdout);
    return 0;
  }
  const platform::RegValue value = ValueFromOptions(o);
  const std::wstring name = o.has_name ? o.name : L"";
  reg.CreateKey(o.key);
  if (!o.force && reg.ValueExists(o.key, name)) {
    return Fail("value " + platform::ToUtf8(name.empty() ? L"(Default)" : name) +
                " already exists; add /f to overwrite it");
  }
  reg.WriteValue(o.key, name, value.type, value.data);
  std::fputs(kDone, stdout);
  return 0;
}

// --- deleting -------------------------------------------------------------------

int Delete(RegistryAccess& reg, const Options& o) {
  if (!o.force) return Fail("deleting needs /f");
  if (o.has_name || o.default_value) {
    reg.DeleteValue(o.key, o.has_name ? o.name : L"");
  } else if (o.all_values) {
    for (const auto& v : reg.EnumerateValues(o.key)) reg.DeleteValue(o.key, v.name);
  } else {
    if (common::ParseKeyPath(o.key).sub_key.empty()) return Fail("a root key cannot be deleted");
    reg.DeleteTree(o.key);
  }
  std::fputs(kDone, stdout);
  return 0;
}

// --- export ---------------------------------------------------------------------

int Export(RegistryAccess& reg, const Options& o) {
  const std::wstring path = platform::FromUtf8(o.positional[0]);
  if (!o.force) {
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::path(o.positional[0]), ec)) {
      return Fail("file " + o.positional[0] + " already exists; add /y to overwrite it");
    }
  }
  common::RegFileBuilder out;
  reg.VisitTree(o.key, [&out](const RegistryAccess::TreeKey& key) {
    out.BeginKey(Shown(key.Path()));
    for (const auto& v : key.Values()) out.AddValue(v.name, v.value.type, v.value.data);
  });
  common::ReplacingFile file(path);
  file.Commit(out.Bytes());
  std::fputs(kDone, stdout);
  return 0;
}

// --- dispatch -------------------------------------------------------------------

int Run(const Args& args) {
  if (args.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string op = Upper(args[0]);
  int (*handler)(RegistryAccess&, const Options&) = nullptr;
  std::vector<std::string> allowed;
  bool separator_switch = false;
  std::size_t positionals = 0;
  if (op == "QUERY") {
    handler = Query, allowed = {"/V", "/VE", "/S"};
  } else if (op == "ADD") {
    handler = Add, allowed = {"/V", "/VE", "/T", "/S", "/D", "/F"}, separator_switch = true;
  } else if (op == "DELETE") {
    handler = Delete, allowed = {"/V", "/VE", "/VA", "/F"};
  } else if (op == "EXPORT") {
    handler = Export, allowed = {"/Y"}, positionals = 1;
  } else {
    std::fputs(kUsage, stderr);
    return UsageError("unknown reg operation '" + args[0] + "'");
  }

  try {
    const Options options = ParseOptions(args, allowed, separator_switch, positionals);
    // Faults in /t, /d or /s are reported before the store is opened.
    if (handler == Add && SetsValue(options)) ValueFromOptions(options);
    const std::unique_ptr<platform::RegistryStore> store = platform::MakeRegistryStoreFromEnvironment();
    RegistryAccess reg(*store);
    return handler(reg, options);
  } catch (const UsageProblem& e) {
    return UsageError(e.message + " (oroctl reg shows the usage)");
  } catch (const RegistryException& e) {
    return Fail(platform::ToUtf8(e.Message()));
  } catch (const std::invalid_argument& e) {
    return UsageError(e.what());
  } catch (const std::exception& e) {
    return Fail(e.what());
  }
}

const CommandRegistrar kRegistrar{
    {"reg", "query, add, delete and export keys and values of the settings store", Run, kUsage}};

}  // namespace
}  // namespace oro::tools
