#include "imagekit/IkInit.h"

#include "imagekit/Ikdllprocs.h"

#include <QDebug>

#include <dlfcn.h>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define GLYPHREEL_DLOPEN_INTERCEPTED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define GLYPHREEL_DLOPEN_INTERCEPTED 1
#endif
#endif

namespace glyphreel::imagekit {

KitProcedures ikProcs;

namespace {

// Touched from the GUI thread only, as the components are.
int useCount = 0;
void *module = nullptr;

template <typename Procedure>
void resolve(Procedure &entry, const char *name)
{
    entry = reinterpret_cast<Procedure>(dlsym(module, name));
    if (!entry)
        qDebug("image kit: %s is missing from %s", name, kModuleName);
}

void loadModule()
{
    ikProcs = KitProcedures {};
    // The bare name, so that the executable's run path is searched first.
#ifdef GLYPHREEL_DLOPEN_INTERCEPTED
    // The sanitizers' dlopen calls the real one from their own library,
    // whose run path the dynamic linker would search instead of ours.
    // dlmopen into the base namespace is the same load and not intercepted.
    module = dlmopen(LM_ID_BASE, kModuleName, RTLD_NOW | RTLD_LOCAL);
#else
    module = dlopen(kModuleName, RTLD_NOW | RTLD_LOCAL);
#endif
    if (!module) {
        // Running without the kit is normal; the components say 14.
        qDebug("image kit not loaded: %s", dlerror());
        return;
    }
    resolve(ikProcs.IKDibFromBitmap, "IKDibFromBitmap");
    resolve(ikProcs.IKGetErrorStatus, "IKGetErrorStatus");
    resolve(ikProcs.IKGetErrorText, "IKGetErrorText");
    resolve(ikProcs.IKFreeMemory, "IKFreeMemory");
    resolve(ikProcs.IKBmpFileSave, "IKBmpFileSave");
    resolve(ikProcs.IKGifFileSave, "IKGifFileSave");
}

} // namespace

void InitializeIK(const QString &identifier)
{
    if (identifier != QLatin1String(kComponentIdentifier))
        return;
    if (useCount != 0) {
        ++useCount;
        return;
    }
    if (!module)
        loadModule();
    useCount = 1;
}

void TerminateIK(const QString &identifier)
{
    if (identifier != QLatin1String(kComponentIdentifier))
        return;
    if (useCount == 0)
        return; // an unmatched call must not drive the count below zero
    if (--useCount == 0 && module) {
        dlclose(module);
        module = nullptr;
    }
}

int ikUseCount()
{
    return useCount;
}

bool ikModuleLoaded()
{
    return module != nullptr;
}

} // namespace glyphreel::imagekit
