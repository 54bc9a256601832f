// The start of zulcheck --site: the disc opened and started as the menu starts it (its boxes
// written to standard error), then its menu built offscreen.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>

#include "model/Description.h"
#include "site/OffscreenMenu.h"

// Starts the disc at `disc_path` (a folder or an image) and hands its menu to `use`, whose result
// is returned; 1 when the disc does not start (as the menu ends then), 2 when the path is neither a
// folder nor a file. Makes the program's Qt application (offscreen) for the while.
int WithSiteMenu(const std::string& disc_path, std::ostream& err,
                 const std::function<int(OffscreenMenu& menu, const Inf_shell& description)>& use);
