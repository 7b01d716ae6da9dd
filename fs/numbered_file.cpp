#include "fs/numbered_file.h"
