// The game's music and effects, by the names the game asks for them: files of the folder
// `bgm&se` beside the game, named with the backslash the media interface expects.
#pragma once

#include <array>

namespace qv::media_files {

inline constexpr const char* kTitleTune = "bgm&se\\emptysky.mid";
inline constexpr const char* kStageTune = "bgm&se\\escape.mid";
inline constexpr const char* kEndingTune = "bgm&se\\win.mid";
inline constexpr const char* kStartSound = "bgm&se\\st.wav";    // a game begins
inline constexpr const char* kShipHitSound = "bgm&se\\jj.wav";  // the ship is lost
inline constexpr const char* kHitSound = "bgm&se\\e.wav";       // a shot hits an enemy

// Every one of them, for the hosts to read ahead before the game starts.
inline constexpr std::array kAll{kTitleTune,  kStageTune,    kEndingTune,
                                 kStartSound, kShipHitSound, kHitSound};

}  // namespace qv::media_files
