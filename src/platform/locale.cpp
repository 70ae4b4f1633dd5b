#include "platform/locale.h"

#include <cctype>
#include <cstdlib>
#include <string>

namespace platform {
namespace {

struct LocaleId {
  std::string_view name;  // language_TERRITORY, optionally @modifier
  LANGID id;
};

// The first entry of each language is its default, used when only the language is known.
constexpr LocaleId kLocales[] = {
    {"af_ZA", 0x0436},          {"am_ET", 0x045E},  {"ar_SA", 0x0401},       {"ar_IQ", 0x0801},
    {"ar_EG", 0x0C01},          {"ar_LY", 0x1001},  {"ar_DZ", 0x1401},       {"ar_MA", 0x1801},
    {"ar_TN", 0x1C01},          {"ar_OM", 0x2001},  {"ar_YE", 0x2401},       {"ar_SY", 0x2801},
    {"ar_JO", 0x2C01},          {"ar_LB", 0x3001},  {"ar_KW", 0x3401},       {"ar_AE", 0x3801},
    {"ar_BH", 0x3C01},          {"ar_QA", 0x4001},  {"az_AZ", 0x042C},       {"be_BY", 0x0423},
    {"bg_BG", 0x0402},          {"bn_IN", 0x0445},  {"bn_BD", 0x0845},       {"bs_BA", 0x141A},
    {"ca_ES", 0x0403},          {"cs_CZ", 0x0405},  {"cy_GB", 0x0452},       {"da_DK", 0x0406},
    {"de_DE", 0x0407},          {"de_CH", 0x0807},  {"de_AT", 0x0C07},       {"de_LU", 0x1007},
    {"de_LI", 0x1407},          {"el_GR", 0x0408},  {"en_US", 0x0409},       {"en_GB", 0x0809},
    {"en_AU", 0x0C09},          {"en_CA", 0x1009},  {"en_NZ", 0x1409},       {"en_IE", 0x1809},
    {"en_ZA", 0x1C09},          {"en_JM", 0x2009},  {"en_BZ", 0x2809},       {"en_TT", 0x2C09},
    {"en_ZW", 0x3009},          {"en_PH", 0x3409},  {"en_IN", 0x4009},       {"en_MY", 0x4409},
    {"en_SG", 0x4809},          {"es_ES", 0x0C0A},  {"es_MX", 0x080A},       {"es_GT", 0x100A},
    {"es_CR", 0x140A},          {"es_PA", 0x180A},  {"es_DO", 0x1C0A},       {"es_VE", 0x200A},
    {"es_CO", 0x240A},          {"es_PE", 0x280A},  {"es_AR", 0x2C0A},       {"es_EC", 0x300A},
    {"es_CL", 0x340A},          {"es_UY", 0x380A},  {"es_PY", 0x3C0A},       {"es_BO", 0x400A},
    {"es_SV", 0x440A},          {"es_HN", 0x480A},  {"es_NI", 0x4C0A},       {"es_PR", 0x500A},
    {"es_US", 0x540A},          {"et_EE", 0x0425},  {"eu_ES", 0x042D},       {"fa_IR", 0x0429},
    {"fi_FI", 0x040B},          {"fil_PH", 0x0464}, {"fo_FO", 0x0438},       {"fr_FR", 0x040C},
    {"fr_BE", 0x080C},          {"fr_CA", 0x0C0C},  {"fr_CH", 0x100C},       {"fr_LU", 0x140C},
    {"fr_MC", 0x180C},          {"ga_IE", 0x083C},  {"gl_ES", 0x0456},       {"gu_IN", 0x0447},
    {"he_IL", 0x040D},          {"hi_IN", 0x0439},  {"hr_HR", 0x041A},       {"hr_BA", 0x101A},
    {"hu_HU", 0x040E},          {"hy_AM", 0x042B},  {"id_ID", 0x0421},       {"is_IS", 0x040F},
    {"it_IT", 0x0410},          {"it_CH", 0x0810},  {"ja_JP", 0x0411},       {"ka_GE", 0x0437},
    {"kk_KZ", 0x043F},          {"km_KH", 0x0453},  {"kn_IN", 0x044B},       {"ko_KR", 0x0412},
    {"lt_LT", 0x0427},          {"lv_LV", 0x0426},  {"mk_MK", 0x042F},       {"ml_IN", 0x044C},
    {"mn_MN", 0x0450},          {"mr_IN", 0x044E},  {"ms_MY", 0x043E},       {"mt_MT", 0x043A},
    {"nb_NO", 0x0414},          {"ne_NP", 0x0461},  {"nl_NL", 0x0413},       {"nl_BE", 0x0813},
    {"nn_NO", 0x0814},          {"no_NO", 0x0414},  {"pa_IN", 0x0446},       {"pl_PL", 0x0415},
    {"pt_BR", 0x0416},          {"pt_PT", 0x0816},  {"rm_CH", 0x0417},       {"ro_RO", 0x0418},
    {"ru_RU", 0x0419},          {"si_LK", 0x045B},  {"sk_SK", 0x041B},       {"sl_SI", 0x0424},
    {"sq_AL", 0x041C},          {"sr_RS", 0x281A},  {"sr_RS@latin", 0x241A}, {"sr_ME", 0x301A},
    {"sr_ME@latin", 0x2C1A},    {"sv_SE", 0x041D},  {"sv_FI", 0x081D},       {"sw_KE", 0x0441},
    {"ta_IN", 0x0449},          {"te_IN", 0x044A},  {"th_TH", 0x041E},       {"tl_PH", 0x0464},
    {"tr_TR", 0x041F},          {"uk_UA", 0x0422},  {"ur_PK", 0x0420},       {"uz_UZ", 0x0443},
    {"uz_UZ@cyrillic", 0x0843}, {"vi_VN", 0x042A},  {"zh_CN", 0x0804},       {"zh_TW", 0x0404},
    {"zh_HK", 0x0C04},          {"zh_SG", 0x1004},  {"zh_MO", 0x1404},
};

const LocaleId* Find(std::string_view name) {
  for (const LocaleId& entry : kLocales) {
    if (entry.name == name) return &entry;
  }
  return nullptr;
}

const LocaleId* FindLanguageDefault(std::string_view language) {
  for (const LocaleId& entry : kLocales) {
    const std::string_view name = entry.name;
    if (name.size() > language.size() && name.substr(0, language.size()) == language &&
        name[language.size()] == '_') {
      return &entry;
    }
  }
  return nullptr;
}

}  // namespace

LANGID LangIdFromLocale(std::string_view locale) {
  // language[_territory][.codeset][@modifier]; the codeset says nothing about the language.
  std::string_view modifier;
  if (const size_t at = locale.find('@'); at != std::string_view::npos) {
    modifier = locale.substr(at + 1);
    locale = locale.substr(0, at);
  }
  if (const size_t dot = locale.find('.'); dot != std::string_view::npos) {
    locale = locale.substr(0, dot);
  }
  std::string language;
  std::string territory;
  const size_t separator = locale.find_first_of("_-");
  for (char c : locale.substr(0, separator)) {
    language += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  if (separator != std::string_view::npos) {
    for (char c : locale.substr(separator + 1)) {
      territory += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
  }

  if (!territory.empty()) {
    const std::string name = language + "_" + territory;
    if (!modifier.empty()) {
      if (const LocaleId* entry = Find(name + "@" + std::string(modifier))) return entry->id;
    }
    if (const LocaleId* entry = Find(name)) return entry->id;
  }
  if (!language.empty()) {
    if (const LocaleId* entry = FindLanguageDefault(language)) return entry->id;
  }
  return kLangEnglishUS;
}

LANGID GetUserDefaultLangID() {
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') return LangIdFromLocale(value);
  }
  return kLangEnglishUS;
}

}  // namespace platform
