#pragma once

#include <QString>
#include <cstdint>

// A count with its noun as the window's messages show it: "1 feed",
// "2 feeds".
QString Counted(int64_t count, const char* one, const char* many);
