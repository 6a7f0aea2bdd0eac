#pragma once
// A page's stored bytes, read from the book file only (no working copy is made), for the
// commands that show a page: get-text and pictures.

#include "PgwCommands.h"
#include "book/NodeInfoRecord.h"

#include <optional>
#include <string>

namespace pgw::cli {

// Reads the stream of the page named options.first in options.book, which must be of
// `type` (`kindText` names the kind in the refusal: "a text page"). On failure, returns
// what to tell the user.
std::optional<Outcome> readStoredPage(const PgwOptions& options, book::NodeType type, const std::string& kindText,
                                      TerminalUserInterface& ui, std::string* bytes);

}  // namespace pgw::cli
