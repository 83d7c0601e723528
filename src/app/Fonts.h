#pragma once

namespace glyphreel::app {

// Makes the Japanese font names that projects and windows use resolve to
// the metric-compatible IPA fonts.
void registerFontSubstitutions();

} // namespace glyphreel::app
