#include "fs/tree_copy.h"
