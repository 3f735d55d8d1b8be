// On Windows the C runtime's own generator already gives 0..32767.
#include "random.h"

#include <cstdlib>

void SeedRandomInteger(unsigned seed) { srand(seed); }

int RandomInteger() { return rand(); }
