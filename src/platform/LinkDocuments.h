// Which files of a disc a link may hand to the desktop: documents, told by their content and their
// name the way the desktop itself tells them (the shared MIME database, read through Qt). The
// desktop opens a file by its type, and for some types (launchers, scripts, shortcuts, Java
// archives, registry files) opening means running; so a link opens only the kinds known to be
// documents, and refuses the rest.
//
// Opened are: text (but no script, launcher, registry file or internet shortcut, which are text
// too), HTML, PDF, RTF, office documents (OpenDocument, the Microsoft Office formats and their
// Office Open XML successors, without macros), pictures, sounds and videos. Folders are opened
// too; they are told apart before this.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

// How many of a file's first bytes LinkDocumentRefusal reads its content from.
constexpr std::size_t kLinkDocumentHeadBytes = 16 * 1024;

// Why the file called `name` (its file name, without folders), whose first bytes are `head`, is
// not a document a link opens; nothing when it is one. It must be one by its content and name
// together and, when its name has an extension, by that name alone, so that a name the desktop
// (or Wine's file associations) runs, as ".hta" or ".bat", is never opened for content that looks
// like a document.
std::optional<std::string> LinkDocumentRefusal(const std::string& name, const std::string& head);
