#include "engine/globals.h"

EngineGlobals G;
