// System information from the process environment: the locale the user runs
// under (LC_ALL, LC_MESSAGES, LANG, first one set), TMPDIR, and a current
// OS version, since the kit's version checks ask for Windows 8.1 or later.
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <string>

#include "oro/platform/linux/host_adapters.h"
#include "oro/platform/text.h"

namespace oro::platform::linux_host {
namespace {

constexpr std::uint32_t kEnglishUs = 1033;

struct LocaleEntry {
  const char* name;  // "ll_CC", or "ll" for the language's main locale
  std::uint32_t lcid;
};

// Windows locale ids of the locales a user is likely to run under.
constexpr LocaleEntry kLocales[] = {
    {"zh_CN", 2052},  {"zh_TW", 1028},  {"zh_HK", 3076}, {"zh_SG", 4100}, {"zh_MO", 5124}, {"zh", 2052},
    {"en_US", 1033},  {"en_GB", 2057},  {"en_AU", 3081}, {"en_CA", 4105}, {"en_NZ", 5129}, {"en_IE", 6153},
    {"en_IN", 16393}, {"en", 1033},     {"de_DE", 1031}, {"de_AT", 3079}, {"de_CH", 2055}, {"de", 1031},
    {"fr_FR", 1036},  {"fr_BE", 2060},  {"fr_CA", 3084}, {"fr_CH", 4108}, {"fr", 1036},    {"es_ES", 3082},
    {"es_MX", 2058},  {"es_AR", 11274}, {"es", 3082},    {"it_IT", 1040}, {"it", 1040},    {"ja_JP", 1041},
    {"ja", 1041},     {"ko_KR", 1042},  {"ko", 1042},    {"ru_RU", 1049}, {"ru", 1049},    {"pt_BR", 1046},
    {"pt_PT", 2070},  {"pt", 2070},     {"nl_NL", 1043}, {"nl_BE", 2067}, {"nl", 1043},    {"pl_PL", 1045},
    {"pl", 1045},     {"sv_SE", 1053},  {"sv", 1053},    {"da_DK", 1030}, {"da", 1030},    {"fi_FI", 1035},
    {"fi", 1035},     {"nb_NO", 1044},  {"nb", 1044},    {"cs_CZ", 1029}, {"cs", 1029},    {"hu_HU", 1038},
    {"hu", 1038},     {"el_GR", 1032},  {"el", 1032},    {"tr_TR", 1055}, {"tr", 1055},    {"uk_UA", 1058},
    {"uk", 1058},     {"ar_SA", 1025},  {"ar", 1025},    {"he_IL", 1037}, {"he", 1037},    {"th_TH", 1054},
    {"th", 1054},     {"vi_VN", 1066},  {"vi", 1066},    {"id_ID", 1057}, {"id", 1057},
};

const char* FirstSet(std::initializer_list<const char*> names) {
  for (const char* n : names) {
    const char* v = std::getenv(n);
    if (v && *v) return v;
  }
  return nullptr;
}

std::uint32_t Lookup(const std::string& name) {
  for (const auto& e : kLocales) {
    if (name == e.name) return e.lcid;
  }
  return 0;
}

// "zh_CN.UTF-8@pinyin" -> 2052; unknown territories fall back to the
// language's main locale, anything unknown (C, POSIX included) to US English.
std::uint32_t LocaleIdFrom(const char* value) {
  if (!value) return kEnglishUs;
  std::string name(value);
  name = name.substr(0, name.find_first_of(".@"));
  if (const std::uint32_t id = Lookup(name)) return id;
  if (const std::uint32_t id = Lookup(name.substr(0, name.find('_')))) return id;
  return kEnglishUs;
}

class LinuxSystemInfo final : public SystemInfo {
 public:
  std::uint32_t DefaultLocaleId() override { return LocaleIdFrom(FirstSet({"LC_ALL", "LC_MESSAGES", "LANG"})); }

  std::wstring TempFolder() override {
    const char* dir = std::getenv("TMPDIR");
    std::string folder = (dir && *dir) ? dir : "/tmp";
    if (folder.back() != '/') folder.push_back('/');
    return FromUtf8(folder);
  }

  std::uint32_t OsVersion() override { return 0x000A0000; }
};

}  // namespace

std::unique_ptr<SystemInfo> MakeLinuxSystemInfo() { return std::make_unique<LinuxSystemInfo>(); }

}  // namespace oro::platform::linux_host
