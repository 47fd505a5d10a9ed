// Internals of method 1 that the decoder names on its own: the partial clear
// of the dictionary (sub-code 2 of the control code).
#pragma once

// Frees every code from 257 below the next free code that no other such code
// extends, and moves the next free code to the lowest freed one.
void clear_unused_codes();
