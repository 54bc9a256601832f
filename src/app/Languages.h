// The languages the program knows.
#pragma once

#include <map>
#include <string>

#include "model/Language.h"

// Process-wide: language code -> language, filled by the main window at start.
extern std::map<std::string, lang_inf> known_languages;

// Fills known_languages with the two built-in languages, "ru" and "lit".
void FillKnownLanguages();
