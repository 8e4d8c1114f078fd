// Every process-wide object of the core (the image, the scheduler, the
// receiver, the meters, the band tables and the equalizers) back to what it
// is when the program starts. Tests call it before each case; the fuzz targets
// before each input.
#pragma once

void ResetProcessState();
