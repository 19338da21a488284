// The window recorders of this executable (defined once, here).
#include "support/window_recorders.h"
