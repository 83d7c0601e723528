#pragma once
// Loads the image kit module when the first kit component is made and
// releases it when the last one goes: a use count per process. A module or
// procedure that is missing leaves its table entries empty; nothing is
// shown, and the components report error status 14 for what needs them.

#include <QString>

namespace glyphreel::imagekit {

// The identifier every kit component passes; any other is ignored.
inline constexpr char kComponentIdentifier[] = "GlyphreelIKit1"; // 14 characters

// The module's file name. Loaded by this bare name through the dynamic
// linker's search, which takes the executable's run path first: the
// application's own library folder, installed or in the build tree.
inline constexpr char kModuleName[] = "libglyphreel-imagekit.so";

void InitializeIK(const QString &identifier);
void TerminateIK(const QString &identifier);

// How many components hold the kit.
int ikUseCount();
// Whether the module is loaded now.
bool ikModuleLoaded();

} // namespace glyphreel::imagekit
