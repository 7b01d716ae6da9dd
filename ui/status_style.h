// The status line's two looks (font and text colour), put on it by ApplyStatusStyle.
#pragma once

#include "core/profile.h"

// Creates the style's font under its font number, gives it to the status line and sets the
// line's text colour. The text is not touched.
void ApplyStatusStyle(const StatusStyle& style);
