// The options screen's values as the page keeps them in its storage (`quelvaris.options`): one
// `name = value` a line, by the names of the settings file (`music_volume`, `mute`,
// `show_keys`, `keys.space = Z, X`, `pad.left = x`). A line that is not understood is passed by:
// the page's storage is the browser's, and the defaults stand for what it lost.
#pragma once

#include <string>

#include "front/options_menu.hpp"

namespace qv {

std::string options_text(const OptionValues& v);
// `v` with the values `text` holds over it.
OptionValues read_options_text(const std::string& text, OptionValues v);

}  // namespace qv
