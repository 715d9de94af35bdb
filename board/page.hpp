// The page at /: the two tables of best runs, each row with a Watch link into the web build,
// and a form to register a name and submit a run. Every text a player wrote is put in the page
// as text, never as markup; the page's script and style are files of their own, so that the
// Content-Security-Policy allows no inline code.
#pragma once

#include <string>

namespace qv::board {

const std::string& page_html();
const std::string& page_script();
const std::string& page_style();

}  // namespace qv::board
