#include "shell/shortcut.h"
