// The start of zulcheck --site: the disc opened and started as the menu starts it (its boxes
// written to standard error), then its menu built offscreen.
#pragma once

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "model/Description.h"
#include "model/Language.h"
#include "site/OffscreenMenu.h"

// Starts the disc at `disc_path` (a folder or an image) and hands its menu to `use`, whose result
// is returned; 1 when the disc does not start (as the menu ends then), 2 when the path is neither a
// folder nor a file. Makes the program's Qt application (offscreen) for the while.
int WithSiteMenu(const std::string& disc_path, std::ostream& err,
                 const std::function<int(OffscreenMenu& menu, const Inf_shell& description)>& use);

// One language's menu, started as the menu starts in that language.
struct StartedMenu {
    lang_inf language;
    std::unique_ptr<Inf_shell> description;
    std::unique_ptr<OffscreenMenu> menu;
};

// As WithSiteMenu, with the preselected language first, then each other language the disc's
// scripts offer, each started as the menu starts when the reader chooses it (one that does not start
// is left out, its box written to standard error). `languages` are the disc's, in the language
// question's order; `preselected` is the index of the first menu's language among them. The texts
// of each menu are read in its language's code page: set it before reading them.
int WithSiteMenus(const std::string& disc_path, std::ostream& err,
                  const std::function<int(std::vector<StartedMenu>& menus, const std::vector<lang_inf>& languages,
                                          int preselected)>& use);
