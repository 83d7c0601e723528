#include "platform/db/CrashPoints.h"

#include <csignal>
#include <cstdlib>

namespace glyphreel::db {
namespace {

long passed = 0;

long crashAt()
{
    static const long at = [] {
        const char *v = std::getenv("GLYPHREEL_DB_CRASH_AT");
        return v ? std::atol(v) : 0L;
    }();
    return at;
}

} // namespace

void crashPoint()
{
    ++passed;
    if (passed == crashAt())
        std::raise(SIGKILL);
}

long crashPointsPassed()
{
    return passed;
}

} // namespace glyphreel::db
