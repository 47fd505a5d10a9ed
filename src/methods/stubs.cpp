// Placeholders until the decoders land; every method reports invalid data.
#include "methods/methods.h"

int explode_member() { return 1; }
