#include "fs/directory_scan.h"
