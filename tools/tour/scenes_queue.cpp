#include "tour.h"

namespace pictavo::tour {

void queueScenes(Tour& tour)
{
    (void)tour;
}

} // namespace pictavo::tour
