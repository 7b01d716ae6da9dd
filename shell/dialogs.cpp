#include "shell/dialogs.h"
