#include "platform/locale.h"

#include <gtest/gtest.h>

#include "service/version/version_test_util.h"

namespace {

using version_test::ScopedEnv;

TEST(LangIdFromLocale, MapsCommonLocales) {
  struct Case {
    const char* locale;
    platform::LANGID id;
  };
  const Case cases[] = {
      {"en_US", 0x0409},
      {"en_US.UTF-8", 0x0409},
      {"en_GB.UTF-8", 0x0809},
      {"en_AU.UTF-8", 0x0C09},
      {"en_CA.UTF-8", 0x1009},
      {"en_IE.UTF-8", 0x1809},
      {"en_IN", 0x4009},
      {"de_DE.UTF-8", 0x0407},
      {"de_DE@euro", 0x0407},
      {"de_DE.ISO-8859-15@euro", 0x0407},
      {"de_AT.UTF-8", 0x0C07},
      {"de_CH.UTF-8", 0x0807},
      {"fr_FR.UTF-8", 0x040C},
      {"fr_CA.UTF-8", 0x0C0C},
      {"fr_BE.UTF-8", 0x080C},
      {"es_ES.UTF-8", 0x0C0A},
      {"es_MX.UTF-8", 0x080A},
      {"es_AR.UTF-8", 0x2C0A},
      {"it_IT.UTF-8", 0x0410},
      {"pt_BR.UTF-8", 0x0416},
      {"pt_PT.UTF-8", 0x0816},
      {"nl_NL.UTF-8", 0x0413},
      {"nl_BE.UTF-8", 0x0813},
      {"sv_SE.UTF-8", 0x041D},
      {"nb_NO.UTF-8", 0x0414},
      {"nn_NO.UTF-8", 0x0814},
      {"da_DK.UTF-8", 0x0406},
      {"fi_FI.UTF-8", 0x040B},
      {"pl_PL.UTF-8", 0x0415},
      {"cs_CZ.UTF-8", 0x0405},
      {"hu_HU.UTF-8", 0x040E},
      {"ru_RU.UTF-8", 0x0419},
      {"uk_UA.UTF-8", 0x0422},
      {"tr_TR.UTF-8", 0x041F},
      {"el_GR.UTF-8", 0x0408},
      {"he_IL.UTF-8", 0x040D},
      {"ar_SA.UTF-8", 0x0401},
      {"ar_EG.UTF-8", 0x0C01},
      {"hi_IN", 0x0439},
      {"th_TH.UTF-8", 0x041E},
      {"vi_VN", 0x042A},
      {"ja_JP.eucJP", 0x0411},
      {"ko_KR.UTF-8", 0x0412},
      {"zh_CN.UTF-8", 0x0804},
      {"zh_CN.GB18030", 0x0804},
      {"zh_TW.UTF-8", 0x0404},
      {"zh_HK.UTF-8", 0x0C04},
      {"zh_SG.UTF-8", 0x1004},
      {"sr_RS", 0x281A},
      {"sr_RS@latin", 0x241A},
      {"uz_UZ@cyrillic", 0x0843},
      // Spellings and partial names.
      {"en-GB", 0x0809},
      {"EN_gb.utf8", 0x0809},
      {"de", 0x0407},
      {"de_BE.UTF-8", 0x0407},  // known language, unknown country: the language's default
      {"es_XX", 0x0C0A},
      {"pt", 0x0416},
      {"zh", 0x0804},
      {"fr_FR@unknown", 0x040C},
      // No language: English (United States), as on a system without a locale.
      {"C", 0x0409},
      {"C.UTF-8", 0x0409},
      {"POSIX", 0x0409},
      {"", 0x0409},
      {"xx_YY.UTF-8", 0x0409},
      {"_", 0x0409},
      {"@", 0x0409},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::LangIdFromLocale(c.locale), c.id) << "'" << c.locale << "'";
  }
}

TEST(GetUserDefaultLangID, MessagesLocaleRulesAsInPosix) {
  struct Case {
    std::optional<std::string> all, messages, lang;
    platform::LANGID id;
  };
  const Case cases[] = {
      {"de_DE.UTF-8", "fr_FR.UTF-8", "ja_JP.UTF-8", 0x0407},
      {std::nullopt, "fr_FR.UTF-8", "ja_JP.UTF-8", 0x040C},
      {"", "fr_FR.UTF-8", "ja_JP.UTF-8", 0x040C},
      {std::nullopt, std::nullopt, "ja_JP.UTF-8", 0x0411},
      {"", "", "zh_CN.UTF-8", 0x0804},
      {std::nullopt, std::nullopt, std::nullopt, 0x0409},
      {"", "", "", 0x0409},
      {"C", std::nullopt, "de_DE.UTF-8", 0x0409},
  };
  for (const Case& c : cases) {
    const ScopedEnv all("LC_ALL", c.all);
    const ScopedEnv messages("LC_MESSAGES", c.messages);
    const ScopedEnv lang("LANG", c.lang);
    EXPECT_EQ(platform::GetUserDefaultLangID(), c.id)
        << c.all.value_or("-") << " " << c.messages.value_or("-") << " " << c.lang.value_or("-");
  }
}

}  // namespace
