#pragma once
// The kit's procedure table: one variable per procedure the application
// calls, named as the module exports it, empty (null) while the module is
// not loaded or lacks that procedure. Every caller tests its variable.

#include "platform/kit/ImageKit.h"

namespace glyphreel::imagekit {

struct KitProcedures {
    decltype(&::IKDibFromBitmap) IKDibFromBitmap = nullptr;
    decltype(&::IKGetErrorStatus) IKGetErrorStatus = nullptr;
    decltype(&::IKGetErrorText) IKGetErrorText = nullptr;
    decltype(&::IKFreeMemory) IKFreeMemory = nullptr;
    decltype(&::IKBmpFileSave) IKBmpFileSave = nullptr;
    decltype(&::IKGifFileSave) IKGifFileSave = nullptr;
};

// The process's table, filled by InitializeIK. Its values stay after the
// module is released until the next load clears them; the binding calls
// through them only while the use count is above 0.
extern KitProcedures ikProcs;

} // namespace glyphreel::imagekit
