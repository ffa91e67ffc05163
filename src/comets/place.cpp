// Comet placement: where a comet stands on the current frame and how large it is.
#include "comets/comets.h"

CometPlacement comet_place;

void place_comet()
{
}
