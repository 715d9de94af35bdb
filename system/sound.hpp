// Music and effects as the game asks for them: the stage tune by name through the media
// string interface, an effect through the simple sound call.
#pragma once

#include <cstdint>
#include <string_view>

namespace qv {

// Stops and closes the tune that plays; then, unless the name is empty, opens and plays this one.
void Play_Bgm(std::string_view file_name);

// Plays an effect: mode 0 loops it, a mode above 0 plays it once in the background, a mode
// below 0 plays it in the foreground with the default sound for a missing file.
void Play_Se(std::string_view file_name, int16_t mode);

}  // namespace qv
