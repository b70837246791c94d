#include "tour.h"

namespace pictavo::tour {

void inspectorScenes(Tour& tour)
{
    (void)tour;
}

} // namespace pictavo::tour
