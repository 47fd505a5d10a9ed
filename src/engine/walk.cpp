#include "engine/walk.h"

#include "engine/engine.h"

// Placeholder until member extraction lands.
int walk_members() { return ENG_BAD_USAGE; }
