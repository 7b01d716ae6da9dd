// The path length for which the file-system services compose their paths.
#pragma once

// Characters in a composed path, the terminating zero not counted: the classic platform
// limit. Longer paths are refused, never cut.
constexpr int PathLimit = 260;
