#pragma once

#include <stdexcept>

namespace glyphreel::media {

// A sound that cannot be opened or played, in words for the user: what
// went wrong and the file.
class SoundError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace glyphreel::media
