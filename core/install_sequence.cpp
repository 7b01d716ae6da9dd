#include "core/install_sequence.h"
