#include "tour.h"

namespace pictavo::tour {

void actionBarScenes(Tour& tour)
{
    (void)tour;
}

} // namespace pictavo::tour
