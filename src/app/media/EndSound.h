// Playing the end-of-add sound without waiting for it.
#pragma once

#include <string>

namespace quillora {

// Starts the first of `paplay` and `aplay` found on PATH, detached, with the sound
// file as its one argument. False (and nothing played) when the file is empty or no
// player is installed.
bool PlaySoundDetached(const std::string& soundFile);

} // namespace quillora
