#include "compute/atomic_file.h"
