// The C runtime's random generator as the program's target platform has it:
// integers from 0 to 32767 (RAND_MAX there), seeded with a 32-bit value.
#pragma once

void SeedRandomInteger(unsigned seed);
int RandomInteger();
