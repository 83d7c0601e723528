#pragma once
// The application folder: where the user's guide and the application's own
// data are. In the build tree, the executable's folder (the build puts the
// guide beside it); in an installed tree, the data folder
// <prefix>/share/glyphreel beside <prefix>/bin. Never written to.

#include <QString>

namespace glyphreel::app {

// Without a trailing separator.
QString applicationFolder();

// The user's guide, "Readme.txt" in the application folder.
QString userGuidePath();

} // namespace glyphreel::app
