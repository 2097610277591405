// The two in-process components, created at start-up and released at shutdown:
// null before and after, and whenever creating one failed.
#pragma once

#include "IHelper.h"
#include "IScrivet.h"
#include "unique_any.h"

extern kd::com_ptr<IScrivet> g_pLog;
extern kd::com_ptr<IHelper> g_pHelper;
