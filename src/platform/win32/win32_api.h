// The one way into <windows.h>; NOMINMAX and WIN32_LEAN_AND_MEAN also come from the
// build, this keeps a stray include elsewhere from pulling in min/max.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
