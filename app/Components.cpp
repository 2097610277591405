#include "Components.h"

kd::com_ptr<IScrivet> g_pLog;
kd::com_ptr<IHelper> g_pHelper;
