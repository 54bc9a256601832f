#include "app/Languages.h"

std::map<std::string, lang_inf> known_languages;

void FillKnownLanguages()
{
    known_languages["ru"] = lang_inf{"Russian", "ru", charsets::kCyrillic};
    known_languages["lit"] = lang_inf{"Lithuanian", "lit", charsets::kBaltic};
}
