#pragma once
// Numbered points around every write, flush and rename of a save. With
// GLYPHREEL_DB_CRASH_AT=N in the environment the process kills itself at
// point N, the way a power cut or a crash would stop it: the crash-safety
// tests stop a save at every one of its steps. Without it they cost a
// counter increment.

namespace glyphreel::db {

void crashPoint();
// The points passed so far in this process.
long crashPointsPassed();

} // namespace glyphreel::db
