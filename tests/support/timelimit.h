#pragma once

#include <QtGlobal>

// The time a test allows for work that must stay quick: enough on a busy machine, little enough
// to catch work that grows faster than its input. Code built with the sanitizers runs several
// times slower, so there the allowance is larger.
constexpr qint64 timeLimitMs(qint64 ms)
{
#ifdef CORVANTIS_SANITIZED
    return ms * 5;
#else
    return ms;
#endif
}
